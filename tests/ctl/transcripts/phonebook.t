# Entries are added, shown, replaced only on request (keeping dial parameters) and removed.
$ linkvanectl phonebook add 'Demon Dial' --phone 0798888 --phone 0798889 --phone '0798 890' --area 0845 --country 44 --device /dev/null && linkvanectl phonebook add LAN --phone 0 --device /dev/null
$ linkvanectl phonebook list --json && linkvanectl phonebook show 'Demon Dial' --json
{
  "entries": [
    "Demon Dial",
    "LAN"
  ]
}
{
  "name": "Demon Dial",
  "properties": {
    "size": 1768,
    "options": 1,
    "countryId": 44,
    "countryCode": 44,
    "areaCode": "0845",
    "localPhoneNumber": "0798888",
    "alternateOffset": 0,
    "ipAddress": "0.0.0.0",
    "ipAddressDns": "0.0.0.0",
    "ipAddressDnsAlt": "0.0.0.0",
    "ipAddressWins": "0.0.0.0",
    "ipAddressWinsAlt": "0.0.0.0",
    "frameSize": 0,
    "netProtocols": 0,
    "framingProtocol": 0,
    "script": "",
    "autodialDll": "",
    "autodialFunc": "",
    "deviceType": "modem",
    "deviceName": "/dev/null",
    "x25PadType": "",
    "x25Address": "",
    "x25Facilities": "",
    "x25UserData": "",
    "channels": 0,
    "reserved1": 0,
    "reserved2": 0
  },
  "lineSpeed": 115200,
  "initString": "ATZ",
  "alternateNumbers": [
    "0798889",
    "0798 890"
  ],
  "dialParams": null
}
$ linkvanectl phonebook add Five --phone 1 --phone 2 --phone 3 --phone 4 --phone 5 --phone 6
! linkvanectl: --phone is given at most 5 times: the entry's number and its alternates
! usage: linkvanectl phonebook add NAME --phone NUMBER... [--device PATH] [--area CODE] [--country CODE] [--replace]
[exit 2]
$ linkvanectl phonebook add 'Demon Dial' --phone 1
! linkvanectl: The phonebook entry "Demon Dial" exists; give --replace to replace it.
[exit 1]
$ linkvanectl phonebook add 'Demon Dial' --phone 1 --device /dev/null --replace && linkvanectl phonebook show 'Demon Dial'
name: Demon Dial
properties:
  size: 1768
  options: 0
  countryId: 0
  countryCode: 0
  areaCode: 
  localPhoneNumber: 1
  alternateOffset: 0
  ipAddress: 0.0.0.0
  ipAddressDns: 0.0.0.0
  ipAddressDnsAlt: 0.0.0.0
  ipAddressWins: 0.0.0.0
  ipAddressWinsAlt: 0.0.0.0
  frameSize: 0
  netProtocols: 0
  framingProtocol: 0
  script: 
  autodialDll: 
  autodialFunc: 
  deviceType: modem
  deviceName: /dev/null
  x25PadType: 
  x25Address: 
  x25Facilities: 
  x25UserData: 
  channels: 0
  reserved1: 0
  reserved2: 0
lineSpeed: 115200
initString: ATZ
alternateNumbers: []
dialParams: null
$ linkvanectl phonebook remove 'Demon Dial' && linkvanectl phonebook list && linkvanectl phonebook remove 'Demon Dial'
LAN
! linkvanectl: There is no phonebook entry named "Demon Dial". (code 623)
[exit 1]
$ linkvanectl phonebook show 'Demon Dial' --json
! linkvanectl: There is no phonebook entry "Demon Dial". (code 623)
[exit 1]
# Names, numbers and devices that cannot be stored or dialled are refused.
$ linkvanectl phonebook add a/b --phone 1
! linkvanectl: The entry name must not contain '/' or '\'. (code 123)
[exit 1]
$ linkvanectl phonebook add .. --phone 1
! linkvanectl: The entry name must not be "." or "..". (code 123)
[exit 1]
$ linkvanectl phonebook add ok --phone "$(printf '1\rATH0')"
! linkvanectl: The phone number "1\rATH0" holds a character that a modem cannot dial. (code 87)
[exit 1]
$ linkvanectl phonebook add ok --phone '555;ATH'
! linkvanectl: The phone number "555;ATH" holds a character that a modem cannot dial. (code 87)
[exit 1]
$ linkvanectl phonebook add ok --phone 1 --area '0;H'
! linkvanectl: The area code "0;H" holds a character that a modem cannot dial. (code 87)
[exit 1]
$ linkvanectl phonebook add ok --phone 1 --device /nonexistent/ttyUSB9
! linkvanectl: There is no device at /nonexistent/ttyUSB9. Use a device that "linkvanectl phonebook devices" lists, or the path of a character device. (code 608)
[exit 1]
$ linkvanectl phonebook add ok --phone 1 --device ttyS0
! linkvanectl: A device is added by its absolute path, such as /dev/ttyUSB0. Use a device that "linkvanectl phonebook devices" lists, or the path of a character device. (code 87)
[exit 1]
$ linkvanectl phonebook add ok --phone 1 --device /etc/hostname
! linkvanectl: There is no device at /etc/hostname. Use a device that "linkvanectl phonebook devices" lists, or the path of a character device. (code 608)
[exit 1]
$ linkvanectl phonebook add ok --phone 1 --country UK
! linkvanectl: the country code must be a whole number (decimal, or hexadecimal after 0x), not "UK"
! usage: linkvanectl phonebook add NAME --phone NUMBER... [--device PATH] [--area CODE] [--country CODE] [--replace]
[exit 2]
$ linkvanectl phonebook list --json
{
  "entries": [
    "LAN"
  ]
}
# Only a character device is added, by an absolute path a phonebook can hold.
$ for d in /etc/hostname /dev/nonexistent-modem ttyUSB0 "/dev/$(printf 'x%.0s' {1..124})" $'/dev/tty\n'; do linkvanectl phonebook devices --add "$d" || echo "exit $?"; done 2>&1
linkvanectl: There is no device at /etc/hostname. (code 608)
exit 1
linkvanectl: There is no device at /dev/nonexistent-modem. (code 608)
exit 1
linkvanectl: A device is added by its absolute path, such as /dev/ttyUSB0. (code 87)
exit 1
linkvanectl: The device path is longer than 128 bytes. (code 87)
exit 1
linkvanectl: The device path must not contain control characters. (code 87)
exit 1
# A device added by path is listed until it is removed.
$ linkvanectl phonebook devices --add /dev/zero >/dev/null && linkvanectl phonebook devices | grep -c /dev/zero
1
$ linkvanectl phonebook devices --remove /dev/zero >/dev/null && linkvanectl phonebook devices | grep -c /dev/zero
0
[exit 1]
$ linkvanectl phonebook devices --remove /dev/zero
! linkvanectl: The device /dev/zero was not added. (code 608)
[exit 1]
# Replacing an entry keeps its dial parameters, whose password shows only on request.
$ echo '{"entries":[{"name":"Kept","dialParams":{"userName":"demon-user","password":"dial-secret"}}]}' > $XDG_CONFIG_HOME/linkvane/phonebook.json
$ linkvanectl phonebook add Kept --phone 2 --device /dev/null --replace && linkvanectl phonebook show Kept | grep -e localPhoneNumber -e '^  userName' -e '^  password'
  localPhoneNumber: 2
  userName: demon-user
  password: ********
$ linkvanectl phonebook show Kept --show-passwords | grep '^  password'
  password: dial-secret
