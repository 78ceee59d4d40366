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
# Every type goes in, comes back in JSON, and exports as the bytes stored; a deleted value is gone.
$ linkvanectl reg add '\Software\Test\A' REG_SZ "$(printf 'gr\303\274\303\237 "quoted"')" && linkvanectl reg add '\Software\Test\B' REG_SZ ''
$ linkvanectl reg add '\Software\Test\C' REG_SZ "$(printf '\377')" && linkvanectl reg add '\Software\Test\D' REG_EXPAND_SZ '%HOME%\x'
$ linkvanectl reg add '\Software\Test\E' REG_DWORD 0x3c && linkvanectl reg add '\Software\Test\F' reg_dword 4294967295
$ linkvanectl reg add '\Software\Test\G' REG_DWORD_BIG_ENDIAN 0x01020304 && linkvanectl reg add '\Software\Test\H' REG_BINARY '01,02 ff'
$ linkvanectl reg add '\Software\Test\I' REG_BINARY DEADbeef && linkvanectl reg add '\Software\Test\J' REG_BINARY ''
$ for v in A B C D E F G H I J; do linkvanectl reg query "\\Software\\Test\\$v" --json; done
{
  "type": "REG_SZ",
  "data": "grüß \"quoted\""
}
{
  "type": "REG_SZ",
  "data": ""
}
{
  "type": "REG_SZ",
  "data": "�"
}
{
  "type": "REG_EXPAND_SZ",
  "data": "%HOME%\\x"
}
{
  "type": "REG_DWORD",
  "data": 60
}
{
  "type": "REG_DWORD",
  "data": 4294967295
}
{
  "type": "REG_DWORD_BIG_ENDIAN",
  "data": 16909060
}
{
  "type": "REG_BINARY",
  "data": "0102ff"
}
{
  "type": "REG_BINARY",
  "data": "deadbeef"
}
{
  "type": "REG_BINARY",
  "data": ""
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
# A key lists its subkeys and values, the default value named empty.
$ linkvanectl reg add '\Software\K\NoName' REG_SZ dflt && linkvanectl reg add '\Software\K\Count' REG_DWORD 7
$ linkvanectl reg add '\Software\K\Sub One\Deep\X' REG_SZ x && linkvanectl reg add '\Software\K\sub2\Y' REG_BINARY 00
$ linkvanectl reg query '\CurrentUser\Software\K\' --json
{
  "subkeys": [
    "Sub One",
    "sub2"
  ],
  "values": {
    "": {
      "type": "REG_SZ",
      "data": "dflt"
    },
    "Count": {
      "type": "REG_DWORD",
      "data": 7
    }
  }
}
$ linkvanectl reg query '\Software\K\'
\CurrentUser\Software\K\
    (Default)    REG_SZ    dflt
    Count    REG_DWORD    0x00000007 (7)
\CurrentUser\Software\K\Sub One\
\CurrentUser\Software\K\sub2\
$ linkvanectl reg query '\\server\Software\K\' --json
! linkvanectl: \\server\CurrentUser\Software\K\: a remote machine's registry cannot be reached (code 53)
[exit 1]
# Deleting a key removes its subtree, but never a root.
$ linkvanectl reg delete '\Software\K\Sub One\' && linkvanectl reg query '\Software\K\Sub One\Deep\X'
! linkvanectl: \CurrentUser\Software\K\Sub One\Deep\X: not found (code 2)
[exit 1]
$ linkvanectl reg delete '\CurrentUser\'
! linkvanectl: \CurrentUser: access denied (code 5)
[exit 1]
$ linkvanectl reg delete '\Software\K\Nothing'
! linkvanectl: \CurrentUser\Software\K\Nothing: not found (code 2)
[exit 1]
# An export, imported into a fresh config home, gives the same export; the file is private.
$ linkvanectl reg add '\Software\Kestrom\Linkvane\NoName' REG_SZ "$(printf 'line\nbreak')" && linkvanectl reg add '\LocalMachine\Software\Kestrom\Blob' REG_BINARY "$(printf 'a5%.0s' $(seq 100))"
$ linkvanectl reg export all.reg && stat -c %a all.reg && XDG_CONFIG_HOME=~/fresh linkvanectl reg import all.reg && XDG_CONFIG_HOME=~/fresh linkvanectl reg export - | cmp - all.reg && echo same
600
same
$ cat all.reg
REGEDIT4

[HKEY_CURRENT_USER]

[HKEY_CURRENT_USER\Software]

[HKEY_CURRENT_USER\Software\K]
@="dflt"
"Count"=dword:00000007

[HKEY_CURRENT_USER\Software\K\sub2]
"Y"=hex:00

[HKEY_CURRENT_USER\Software\Kestrom]

[HKEY_CURRENT_USER\Software\Kestrom\Linkvane]
@=hex(1):6c,69,6e,65,0a,62,72,65,61,6b,00

[HKEY_CURRENT_USER\Software\Test]
"B"=""
"C"="�"
"D"=hex(2):25,48,4f,4d,45,25,5c,78,00
"E"=dword:0000003c
"F"=dword:ffffffff
"G"=hex(5):01,02,03,04
"H"=hex:01,02,ff
"I"=hex:de,ad,be,ef
"J"=hex:

[HKEY_LOCAL_MACHINE]

[HKEY_LOCAL_MACHINE\Software]

[HKEY_LOCAL_MACHINE\Software\Kestrom]
"Blob"=hex:a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,\
  a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,\
  a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,\
  a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,\
  a5,a5,a5,a5,a5,a5,a5

[HKEY_LOCAL_MACHINE\Software\Test]
@="default"

# A faulty file changes nothing and names its line.
$ printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\New]\n"A"=dword:zz\n' | linkvanectl reg import -
! linkvanectl: Line 4: a dword value needs 1 to 8 hexadecimal digits. (code 13)
[exit 1]
$ linkvanectl reg export - | cmp - all.reg && echo unchanged
unchanged
$ linkvanectl reg export - '\Software\K\Count'
! linkvanectl: the path names a value; a key path ends with a backslash
! usage: linkvanectl reg export FILE [PATH]
[exit 2]
$ linkvanectl reg export /nonexistent-dir/x.reg
! linkvanectl: cannot create /nonexistent-dir/x.reg: No such file or directory (code 2)
[exit 1]
$ linkvanectl reg import /nonexistent-dir/x.reg
! linkvanectl: cannot open /nonexistent-dir/x.reg: No such file or directory (code 2)
[exit 1]
$ linkvanectl reg import /
! linkvanectl: cannot read /: Is a directory
[exit 1]
