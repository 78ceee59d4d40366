# Apply writes the start page under both roots and the autodial entry, and reports what ran.
$ linkvanectl phonebook add 'Demon Dial' --phone 1 --device /dev/null && linkvanectl profile set 'Demon Dial' SetIE 1 && linkvanectl profile set 'Demon Dial' Homepage http://www.demon.net/
$ linkvanectl apply 'Demon Dial' && linkvanectl apply 'Demon Dial' --json
Applied: Internet Explorer and autodial.
{
  "profile": "Demon Dial",
  "entryExists": true,
  "netscape": false,
  "internetExplorer": true,
  "accountManager": false,
  "mailAndNews": false,
  "messages": []
}
$ linkvanectl reg export - | grep -B1 'Start Page\|EnableAutoDial\|InternetProfile'
[HKEY_CURRENT_USER\RemoteAccess]
"InternetProfile"="Demon Dial"
--
[HKEY_CURRENT_USER\Software\Microsoft\Internet Explorer\Main]
"Start Page"="http://www.demon.net/"
--
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings]
"EnableAutoDial"=dword:00000001
--
[HKEY_LOCAL_MACHINE\Software\Microsoft\Internet Explorer\Main]
"Start Page"="http://www.demon.net/"
# Without an entry it warns; a profile without settings is refused.
$ linkvanectl profile set LAN UseLan 1 && linkvanectl apply LAN
No client settings to apply (see SetIE, SetNetscape and the profile's proxies, start page and mail hosts).
! linkvanectl: warning: there is no phonebook entry "LAN"; its name is still written as the autodial entry
$ linkvanectl apply Nobody
! linkvanectl: No settings are stored for the profile "Nobody". (code 2)
[exit 1]
