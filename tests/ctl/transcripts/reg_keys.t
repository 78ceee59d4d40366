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

[HKEY_LOCAL_MACHINE]

[HKEY_LOCAL_MACHINE\Software]

[HKEY_LOCAL_MACHINE\Software\Kestrom]
"Blob"=hex:a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,\
  a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,\
  a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,\
  a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,a5,\
  a5,a5,a5,a5,a5,a5,a5

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
$ linkvanectl reg export - '\Software\Missing\'
! linkvanectl: Cannot read the key HKEY_CURRENT_USER\Software\Missing (code 2)
[exit 1]
