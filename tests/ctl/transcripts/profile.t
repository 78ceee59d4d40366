# Values keep their types; show masks passwords unless asked; names match without case.
$ linkvanectl profile set 'Demon Dial' UseLan -5 && linkvanectl profile set 'Demon Dial' PingFreq 0x10 && linkvanectl profile set 'Demon Dial' PopMinutes 4294967295
$ linkvanectl profile set 'Demon Dial' homepage http://example.org/ && linkvanectl profile set 'Demon Dial' Password dial-secret
$ linkvanectl profile show 'Demon Dial' --json
{
  "UseLan": -5,
  "Login": "",
  "Password": "********",
  "Username": "",
  "EPassword": "",
  "POP3Host": "",
  "SMTPHost": "",
  "Realname": "",
  "Organisation": "",
  "ReplyTo": "",
  "NNTPHost": "",
  "HTTPProxy": "",
  "HTTPProxyPort": "",
  "FTPProxy": "",
  "FTPProxyPort": "",
  "ProxyOverride": "",
  "Homepage": "http://example.org/",
  "PingHost": "",
  "PingFreq": 16,
  "Tweak": 0,
  "SetIE": 0,
  "SetNetscape": 0,
  "CheckEmail": 0,
  "PopMinutes": 4294967295,
  "PopupAlert": 0,
  "PlaySound": 0,
  "EmailSound": "",
  "POP3Security": "auto",
  "POP3Pin": "",
  "RedialPause": 0,
  "Reconnect": 0
}
$ linkvanectl profile show 'Demon Dial'
UseLan: -5
Login: 
Password: ********
Username: 
EPassword: 
POP3Host: 
SMTPHost: 
Realname: 
Organisation: 
ReplyTo: 
NNTPHost: 
HTTPProxy: 
HTTPProxyPort: 
FTPProxy: 
FTPProxyPort: 
ProxyOverride: 
Homepage: http://example.org/
PingHost: 
PingFreq: 16
Tweak: 0
SetIE: 0
SetNetscape: 0
CheckEmail: 0
PopMinutes: 4294967295
PopupAlert: 0
PlaySound: 0
EmailSound: 
POP3Security: auto
POP3Pin: 
RedialPause: 0
Reconnect: 0
$ linkvanectl profile show 'Demon Dial' --json --show-passwords | grep '"Password"'
  "Password": "dial-secret",
# The registry holds numbers as REG_DWORD and the password enciphered, of the same length.
$ linkvanectl reg query '\Software\Kestrom\Linkvane\DialEntry\Demon Dial\UseLan' --json
{
  "type": "REG_DWORD",
  "data": 4294967291
}
$ linkvanectl reg query '\Software\Kestrom\Linkvane\DialEntry\Demon Dial\Password' --json | grep '"data"'
  "data": "\u001d\u0013ij4gHN^sT"
# Unknown names, bad numbers and long passwords are refused and change nothing.
$ linkvanectl profile set 'Demon Dial' Password "$(printf 'p%.0s' $(seq 39))"
$ linkvanectl profile set 'Demon Dial' Passwd x
! linkvanectl: "Passwd" is not a profile value; the values are: UseLan, Login, Password, Username, EPassword, POP3Host, SMTPHost, Realname, Organisation, ReplyTo, NNTPHost, HTTPProxy, HTTPProxyPort, FTPProxy, FTPProxyPort, ProxyOverride, Homepage, PingHost, PingFreq, Tweak, SetIE, SetNetscape, CheckEmail, PopMinutes, PopupAlert, PlaySound, EmailSound, POP3Security, POP3Pin, RedialPause, Reconnect
! usage: linkvanectl profile set NAME VALUE DATA
[exit 2]
$ linkvanectl profile set 'Demon Dial' Default x
! linkvanectl: "Default" is not a profile value; the values are: UseLan, Login, Password, Username, EPassword, POP3Host, SMTPHost, Realname, Organisation, ReplyTo, NNTPHost, HTTPProxy, HTTPProxyPort, FTPProxy, FTPProxyPort, ProxyOverride, Homepage, PingHost, PingFreq, Tweak, SetIE, SetNetscape, CheckEmail, PopMinutes, PopupAlert, PlaySound, EmailSound, POP3Security, POP3Pin, RedialPause, Reconnect
! usage: linkvanectl profile set NAME VALUE DATA
[exit 2]
$ linkvanectl profile set 'Demon Dial' Password "$(printf 'q%.0s' $(seq 40))"
! linkvanectl: A password can hold at most 39 characters; this one has 40.
[exit 1]
$ linkvanectl profile set 'Demon Dial' EPassword "$(printf 'q%.0s' $(seq 40))"
! linkvanectl: A password can hold at most 39 characters; this one has 40.
[exit 1]
$ linkvanectl profile set 'Demon Dial' UseLan 2147483648
! linkvanectl: the value of UseLan must be between -2147483648 and 2147483647, not 2147483648
! usage: linkvanectl profile set NAME VALUE DATA
[exit 2]
$ linkvanectl profile set 'Demon Dial' PingFreq five
! linkvanectl: the value of PingFreq must be a whole number (decimal, or hexadecimal after 0x), not "five"
! usage: linkvanectl profile set NAME VALUE DATA
[exit 2]
$ linkvanectl profile set 'Demon Dial' PopMinutes -1
! linkvanectl: the value of PopMinutes must be between 0 and 4294967295, not -1
! usage: linkvanectl profile set NAME VALUE DATA
[exit 2]
$ linkvanectl profile set a/b UseLan 1
! linkvanectl: The entry name must not contain '/' or '\'. (code 123)
[exit 1]
$ linkvanectl profile show 'Demon Dial' --json --show-passwords | grep 'Password"\|"UseLan"'
  "UseLan": -5,
  "Password": "ppppppppppppppppppppppppppppppppppppppp",
  "EPassword": "",
# The mail check's security is one of four words, a pin a SHA-256 fingerprint; plain is said.
$ linkvanectl profile set 'Demon Dial' POP3Security tls
! linkvanectl: POP3Security is one of auto, stls, pop3s or plain, not "tls".
! usage: linkvanectl profile set NAME VALUE DATA
[exit 2]
$ linkvanectl profile set 'Demon Dial' POP3Pin 01:23
! linkvanectl: POP3Pin is a SHA-256 fingerprint (64 hex digits, colons allowed) or empty, not "01:23".
! usage: linkvanectl profile set NAME VALUE DATA
[exit 2]
$ linkvanectl profile set 'Demon Dial' POP3Security PLAIN && linkvanectl profile set 'Demon Dial' POP3Pin "$(printf '0a%.0s' $(seq 32))" && linkvanectl profile show 'Demon Dial' | tail -3
RedialPause: 0
Reconnect: 0
POP3Security is plain: the password is sent unencrypted.
# The list marks the exact default and the profiles with stored settings.
$ for n in 'Demon Dial' Demon 'demon dial'; do linkvanectl phonebook add "$n" --phone 1 --device /dev/null; done
! linkvanectl: The phonebook entry "demon dial" exists; give --replace to replace it.
[exit 1]
$ linkvanectl profile clear 'Demon Dial' && linkvanectl profile set Demon SetIE 1 && linkvanectl reg add '\Software\Kestrom\Linkvane\Default' REG_SZ 'Demon Dial'
$ linkvanectl profile list --json
{
  "default": "Demon Dial",
  "profiles": [
    {
      "name": "Demon Dial",
      "default": true,
      "hasSettings": false
    },
    {
      "name": "Demon",
      "default": false,
      "hasSettings": true
    }
  ]
}
$ linkvanectl profile list
* Demon Dial    (no stored settings)
  Demon
$ linkvanectl profile clear Demon && linkvanectl profile clear Demon && linkvanectl profile list
* Demon Dial    (no stored settings)
  Demon    (no stored settings)
$ linkvanectl phonebook remove Demon && linkvanectl profile show Demon --json
! linkvanectl: There is no profile "Demon": no settings are stored and no phonebook entry has that name. (code 2)
[exit 1]
# Clearing removes the profile's key and only that key; what is clear clears again.
$ linkvanectl profile set One Login a && linkvanectl profile set 'One Two' Login b && linkvanectl profile clear One && linkvanectl profile clear One && linkvanectl reg query '\Software\Kestrom\Linkvane\DialEntry\' && linkvanectl reg query '\Software\Kestrom\Linkvane\DialEntry\One Two\'
\CurrentUser\Software\Kestrom\Linkvane\DialEntry\
\CurrentUser\Software\Kestrom\Linkvane\DialEntry\One Two\
\CurrentUser\Software\Kestrom\Linkvane\DialEntry\One Two\
    Login    REG_SZ    b
    POP3Security    REG_SZ    auto
