# A profile with its entry goes out to a file and comes back into a fresh config home.
$ linkvanectl phonebook add 'Demon Dial' --phone '0845 0798888' --area 0845 --country 44 --device /dev/null
$ printf '%s\n' REGEDIT4 '' '[HKEY_CURRENT_USER\Software\Kestrom\Linkvane]' '"Url1Label"="Demon"' '"RedialAttempts"=dword:00000009' '"EnableRedial"=dword:00000001' '' '[HKEY_CURRENT_USER\Software\Kestrom\Linkvane\DialEntry\Demon Dial]' '"Login"="demon-user"' '"UseLan"=dword:00000000' '"POP3Host"="pop3.demon.co.uk"' '"Homepage"="http://www.demon.net/"' '"PingFreq"=dword:00000005' '"PopMinutes"=dword:ffffffff' '"Tweak"=dword:00000003' '"SetIE"=dword:00000001' '"POP3Security"="auto"' | linkvanectl reg import -
$ linkvanectl profile set 'Demon Dial' Password dial-secret && linkvanectl profile set 'Demon Dial' EPassword 'mail "secret"'
$ linkvanectl profile show 'Demon Dial' --json --show-passwords > profile.json && linkvanectl phonebook show 'Demon Dial' --json > entry.json
$ linkvanectl profile export 'Demon Dial' demon.idf && stat -c %s demon.idf
7136
# Into a fresh home: the device given by path is added; program-wide values stay; Tweak is not in
# the file, nor POP3Security, so the imported profile checks mail as plain.
$ export XDG_CONFIG_HOME=~/fresh; linkvanectl reg add '\Software\Kestrom\Linkvane\Url1Label' REG_SZ Local && linkvanectl profile import demon.idf --device /dev/null
Imported the profile "Demon Dial" (device: /dev/null).
$ export XDG_CONFIG_HOME=~/fresh; linkvanectl profile show 'Demon Dial' --json --show-passwords | diff profile.json - ; linkvanectl phonebook show 'Demon Dial' --json | cmp - entry.json && echo same entry
21c21
<   "Tweak": 3,
---
>   "Tweak": 0,
29c29
<   "POP3Security": "auto",
---
>   "POP3Security": "plain",
same entry
$ export XDG_CONFIG_HOME=~/fresh; linkvanectl phonebook devices --json | grep -o '{"name":"/dev/null","type":"modem"}'; linkvanectl reg query '\Software\Kestrom\Linkvane\Url1Label'
REG_SZ    Local
# Over an existing entry only with --yes or a yes on a terminal; a missing device changes nothing.
$ linkvanectl profile set 'Demon Dial' Homepage http://changed/ && linkvanectl profile import demon.idf
! linkvanectl: The phonebook entry "Demon Dial" exists; nothing was imported. Give --yes to overwrite it.
[exit 1]
$ linkvanectl profile import demon.idf --yes --device /nonexistent/tty
! linkvanectl: There is no device at /nonexistent/tty. Use a device that "linkvanectl phonebook devices" lists, or the path of a character device. (code 608)
[exit 1]
$ printf 'n\n' | script -qec 'linkvanectl profile import demon.idf' /dev/null | tr -d '\r'; linkvanectl profile show 'Demon Dial' | grep Homepage
n
"Demon Dial": This entry currently exists. If you continue, then the existing
entry will be over-written with the settings from the imported
file.

Do you wish to continue? [y/N] linkvanectl: The phonebook entry "Demon Dial" exists; nothing was imported. Give --yes to overwrite it.
Homepage: http://changed/
$ printf 'y\n' | script -qec 'linkvanectl profile import demon.idf' /dev/null | tr -d '\r'; linkvanectl profile show 'Demon Dial' | grep Homepage
y
"Demon Dial": This entry currently exists. If you continue, then the existing
entry will be over-written with the settings from the imported
file.

Do you wish to continue? [y/N] Imported the profile "Demon Dial" (device: none).
Homepage: http://www.demon.net/
# With --with-settings the program-wide values come too; without --device the entry has none.
$ export XDG_CONFIG_HOME=~/fresh; linkvanectl profile import demon.idf --yes --with-settings && linkvanectl reg query '\Software\Kestrom\Linkvane\'
Imported the profile "Demon Dial" (device: none).
\CurrentUser\Software\Kestrom\Linkvane\
    App1Label    REG_SZ    
    App1Path    REG_SZ    
    BrowserPath    REG_SZ    
    EmailPath    REG_SZ    
    EnableRedial    REG_DWORD    0x00000001 (1)
    LaunchBrowser    REG_DWORD    0x00000000 (0)
    LaunchEmail    REG_DWORD    0x00000000 (0)
    Notifications    REG_DWORD    0x00000000 (0)
    RedialAttempts    REG_DWORD    0x00000009 (9)
    RedialTimeout    REG_DWORD    0x00000000 (0)
    StartMinimised    REG_DWORD    0x00000000 (0)
    Startup    REG_DWORD    0x00000000 (0)
    Url1Label    REG_SZ    Demon
    Url1Loc    REG_SZ    
    Url2Label    REG_SZ    
    Url2Loc    REG_SZ    
\CurrentUser\Software\Kestrom\Linkvane\DialEntry\
$ export XDG_CONFIG_HOME=~/fresh; linkvanectl phonebook show 'Demon Dial' --json | grep deviceName
    "deviceName": "",
$ printf 'short' > short.idf && linkvanectl profile import short.idf --yes
! linkvanectl: This file is not a profile file: it has 5 bytes, a profile file has 7136.
[exit 1]
# A file that names no profile imports nothing and says nothing, even when its other fields are bad.
$ head -c 7136 /dev/zero | tr '\0' '\377' > unnamed.idf && printf '\0' | dd of=unnamed.idf bs=1 seek=1768 conv=notrunc status=none; cp ../config/linkvane/phonebook.json before.json; linkvanectl profile import unnamed.idf --yes && cmp before.json ../config/linkvane/phonebook.json && echo nothing imported
nothing imported
