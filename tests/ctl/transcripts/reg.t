# Paths are parsed without opening the store, after the accessor's normalisations.
$ linkvanectl reg parse abc --json; linkvanectl reg parse '\Software\Kestrom\Linkvane\Default' --json
{
  "machine": "",
  "root": "\\CurrentUser",
  "keyPath": "\\abc\\",
  "valueName": "",
  "path": "\\CurrentUser\\abc\\"
}
{
  "machine": "",
  "root": "\\CurrentUser",
  "keyPath": "\\Software\\Kestrom\\Linkvane\\",
  "valueName": "Default",
  "path": "\\CurrentUser\\Software\\Kestrom\\Linkvane\\Default"
}
$ linkvanectl reg parse '\\server\LocalMachine\Software\X' --json; linkvanectl reg parse '\localmachine\Software\X' --json
{
  "machine": "\\\\server",
  "root": "\\LocalMachine",
  "keyPath": "\\Software\\",
  "valueName": "X",
  "path": "\\\\server\\LocalMachine\\Software\\X"
}
{
  "machine": "",
  "root": "\\localmachine",
  "keyPath": "\\Software\\",
  "valueName": "X",
  "path": "\\localmachine\\Software\\X"
}
$ linkvanectl reg parse '\LocalMachineX\Software\X' --json; linkvanectl reg parse '\\\' --json; test -e ~/.config || echo no store
{
  "machine": "",
  "root": "\\CurrentUser",
  "keyPath": "\\LocalMachineX\\Software\\",
  "valueName": "X",
  "path": "\\CurrentUser\\LocalMachineX\\Software\\X"
}
{
  "machine": "",
  "root": "",
  "keyPath": "",
  "valueName": "",
  "path": ""
}
no store
$ for p in '\\server' '\RemoteAccess\Profile\Name' '\Users' '\DynData\' ''; do linkvanectl reg parse "$p"; done
machine: \\server
root: 
keyPath: 
valueName: 
path: \\server
machine: 
root: \CurrentUser
keyPath: \RemoteAccess\Profile\
valueName: Name
path: \CurrentUser\RemoteAccess\Profile\Name
machine: 
root: \Users
keyPath: 
valueName: 
path: \Users
machine: 
root: \DynData
keyPath: 
valueName: 
path: \DynData
machine: 
root: 
keyPath: 
valueName: 
path: 
# Every type goes in, comes back in JSON, and exports as the bytes stored; a deleted value is gone.
$ linkvanectl reg add '\Software\Test\A' REG_SZ "$(printf 'gr\303\274\303\237 "quoted"')" && linkvanectl reg add '\Software\Test\B' REG_SZ ''
$ linkvanectl reg add '\Software\Test\C' REG_SZ "$(printf '\377')" && linkvanectl reg add '\Software\Test\D' REG_EXPAND_SZ '%HOME%\x'
$ linkvanectl reg add '\Software\Test\E' REG_DWORD 0x3c && linkvanectl reg add '\Software\Test\F' reg_dword 4294967295
$ linkvanectl reg add '\Software\Test\G' REG_DWORD_BIG_ENDIAN 0x01020304 && linkvanectl reg add '\Software\Test\H' REG_BINARY '01,02 ff'
$ linkvanectl reg add '\Software\Test\I' REG_BINARY DEADbeef && linkvanectl reg add '\Software\Test\J' REG_BINARY ''
$ linkvanectl reg query '\Software\Test\' --json
{
  "subkeys": [],
  "values": {
    "A": {
      "type": "REG_SZ",
      "data": "grüß \"quoted\""
    },
    "B": {
      "type": "REG_SZ",
      "data": ""
    },
    "C": {
      "type": "REG_SZ",
      "data": "�"
    },
    "D": {
      "type": "REG_EXPAND_SZ",
      "data": "%HOME%\\x"
    },
    "E": {
      "type": "REG_DWORD",
      "data": 60
    },
    "F": {
      "type": "REG_DWORD",
      "data": 4294967295
    },
    "G": {
      "type": "REG_DWORD_BIG_ENDIAN",
      "data": 16909060
    },
    "H": {
      "type": "REG_BINARY",
      "data": "0102ff"
    },
    "I": {
      "type": "REG_BINARY",
      "data": "deadbeef"
    },
    "J": {
      "type": "REG_BINARY",
      "data": ""
    }
  }
}
$ linkvanectl reg export - '\Software\Test\'
REGEDIT4

[HKEY_CURRENT_USER\Software\Test]
"A"="grüß \"quoted\""
"B"=""
"C"="�"
"D"=hex(2):25,48,4f,4d,45,25,5c,78,00
"E"=dword:0000003c
"F"=dword:ffffffff
"G"=hex(5):01,02,03,04
"H"=hex:01,02,ff
"I"=hex:de,ad,be,ef
"J"=hex:

$ linkvanectl reg delete '\Software\Test\A' && linkvanectl reg query '\Software\Test\A' --json
! linkvanectl: \CurrentUser\Software\Test\A: not found (code 2)
[exit 1]
# The default value through "NoName", in the other root.
$ linkvanectl reg add '\LocalMachine\Software\Test\NoName' REG_SZ default && linkvanectl reg query '\LocalMachine\Software\Test\noname' --json
{
  "type": "REG_SZ",
  "data": "default"
}
# Bad types and data are usage errors and write nothing; a key is not a value.
$ linkvanectl reg add '\Software\New\V' REG_DWORD 4294967296
! linkvanectl: REG_DWORD data must be between 0 and 4294967295, not 4294967296
! usage: linkvanectl reg add PATH TYPE DATA
[exit 2]
$ linkvanectl reg add '\Software\New\V' REG_DWORD -1
! linkvanectl: REG_DWORD data must be between 0 and 4294967295, not -1
! usage: linkvanectl reg add PATH TYPE DATA
[exit 2]
$ linkvanectl reg add '\Software\New\V' REG_DWORD_BIG_ENDIAN 0x100000000
! linkvanectl: REG_DWORD_BIG_ENDIAN data must be between 0 and 4294967295, not 0x100000000
! usage: linkvanectl reg add PATH TYPE DATA
[exit 2]
$ linkvanectl reg add '\Software\New\V' REG_BINARY 1
! linkvanectl: binary data needs two hex digits per byte; "1" has 1
! usage: linkvanectl reg add PATH TYPE DATA
[exit 2]
$ linkvanectl reg add '\Software\New\V' REG_BINARY 0g
! linkvanectl: binary data may hold only hex digits, commas and spaces, not "g"
! usage: linkvanectl reg add PATH TYPE DATA
[exit 2]
$ linkvanectl reg add '\Software\New\V' REG_MULTI_SZ a
! linkvanectl: "REG_MULTI_SZ" is not a type to write; use REG_SZ, REG_EXPAND_SZ, REG_DWORD, REG_DWORD_BIG_ENDIAN or REG_BINARY
! usage: linkvanectl reg add PATH TYPE DATA
[exit 2]
$ linkvanectl reg add '\Software\New\' REG_SZ a
! linkvanectl: the path names a key; end it with a value name (NoName for the key's default value)
! usage: linkvanectl reg add PATH TYPE DATA
[exit 2]
$ linkvanectl reg query '\Software\New\'
! linkvanectl: \CurrentUser\Software\New\: not found (code 2)
[exit 1]
