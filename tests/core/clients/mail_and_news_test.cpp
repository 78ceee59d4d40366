#include "core/clients/mail_and_news.h"

#include "client_test_support.h"

namespace linkvane::testing {
namespace {

using MailAndNews = ClientTest;

TEST_F(MailAndNews, DialUpProfileWritesDefaultsIdentityAndOneKeyPerServer) {
    EXPECT_TRUE(ApplyMailAndNewsSettings(store(), DialUpProfile()));
    EXPECT_EQ(Dump(), R"([HKCU\Software\Microsoft\Internet Mail and News\Mail]
"Connection Type"=dword:00000002
"Default POP3 Server"=sz:"pop3.demon.net"
"Default SMTP Server"=sz:"post.demon.net"
"RAS Phonebook Entry"=sz:"Demon Dial"
"Reply To"=sz:"john@smith.demon.co.uk"
"Sender Email"=sz:"john@smith.demon.co.uk"
"Sender Name"=sz:"John Smith"
"Sender Organization"=sz:"Smith & Co"
[HKCU\Software\Microsoft\Internet Mail and News\Mail\NEWS\news.demon.net]
"Connection Type"=dword:00000002
"Port"=dword:00000077
"RAS Phonebook Entry"=sz:"Demon Dial"
"Timeout"=dword:0000003c
"Use Sicily"=dword:00000000
[HKCU\Software\Microsoft\Internet Mail and News\Mail\POP3\pop3.demon.net]
"Account"=sz:"jsmith"
"LeaveMailOnServer"=dword:00000000
"Port"=dword:0000006e
"RecvTimeout"=dword:0000003c
"SendTimeout"=dword:0000003c
[HKCU\Software\Microsoft\Internet Mail and News\Mail\SMTP\post.demon.net]
"MaxSendMessageSizeKB"=dword:00000002
"Port"=dword:00000019
"RecvTimeout"=dword:0000003c
"SendTimeout"=dword:0000003c
[HKCU\Software\Microsoft\Internet Mail and News\News]
"DefaultServer"=sz:"news.demon.net"
"Sender Email"=sz:"john@smith.demon.co.uk"
"Sender Name"=sz:"John Smith"
"Sender Organization"=sz:"Smith & Co"
)");
}

TEST_F(MailAndNews, LanProfileWritesConnectionTypeZeroAndNoPhonebookEntry) {
    ApplyMailAndNewsSettings(store(), LanProfile());
    EXPECT_EQ(Dump(), R"([HKCU\Software\Microsoft\Internet Mail and News\Mail]
"Connection Type"=dword:00000000
"Default POP3 Server"=sz:"mail.office"
"Default SMTP Server"=sz:"smtp.office"
"Reply To"=sz:"js@office"
"Sender Email"=sz:"js@office"
"Sender Name"=sz:"J. Smith"
"Sender Organization"=sz:"Office"
[HKCU\Software\Microsoft\Internet Mail and News\Mail\NEWS\news.office]
"Connection Type"=dword:00000000
"Port"=dword:00000077
"Timeout"=dword:0000003c
"Use Sicily"=dword:00000000
[HKCU\Software\Microsoft\Internet Mail and News\Mail\POP3\mail.office]
"Account"=sz:"js"
"LeaveMailOnServer"=dword:00000000
"Port"=dword:0000006e
"RecvTimeout"=dword:0000003c
"SendTimeout"=dword:0000003c
[HKCU\Software\Microsoft\Internet Mail and News\Mail\SMTP\smtp.office]
"MaxSendMessageSizeKB"=dword:00000000
"Port"=dword:00000019
"RecvTimeout"=dword:0000003c
"SendTimeout"=dword:0000003c
[HKCU\Software\Microsoft\Internet Mail and News\News]
"DefaultServer"=sz:"news.office"
"Sender Email"=sz:"js@office"
"Sender Name"=sz:"J. Smith"
"Sender Organization"=sz:"Office"
)");
}

TEST_F(MailAndNews, SmtpOnlyWithoutNewsOrIdentityKeepsTheEarlierPop3Default) {
    SetString("\\Software\\Microsoft\\Internet Mail and News\\Mail\\", "Default POP3 Server",
              "old.pop");
    ActiveProfile profile;
    profile.profileName = "Outbound";
    profile.smtpHost = "smtp.example";
    ApplyMailAndNewsSettings(store(), profile);
    EXPECT_EQ(Dump(), R"([HKCU\Software\Microsoft\Internet Mail and News\Mail]
"Connection Type"=dword:00000002
"Default POP3 Server"=sz:"old.pop"
"Default SMTP Server"=sz:"smtp.example"
"RAS Phonebook Entry"=sz:"Outbound"
"Reply To"=sz:""
"Sender Email"=sz:""
"Sender Name"=sz:""
"Sender Organization"=sz:""
[HKCU\Software\Microsoft\Internet Mail and News\Mail\SMTP\smtp.example]
"MaxSendMessageSizeKB"=dword:00000002
"Port"=dword:00000019
"RecvTimeout"=dword:0000003c
"SendTimeout"=dword:0000003c
)");
}

}  // namespace
}  // namespace linkvane::testing
