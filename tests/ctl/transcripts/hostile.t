# Hostile text and odd states as a script meets them.
$ linkvanectl phonebook add ISP --phone 1
# profile set writes only its own value, with the type already stored.
$ K='\Software\Kestrom\Linkvane\DialEntry\ISP'; linkvanectl reg add "$K\Homepage" REG_EXPAND_SZ '%HOME%/start' && linkvanectl reg add "$K\PingFreq" REG_SZ 15 && linkvanectl reg add "$K\Password" REG_SZ "$(printf 'x%.0s' {1..50})"
$ linkvanectl profile set ISP Login bob && linkvanectl profile set ISP Homepage '%HOME%/other' && linkvanectl reg query '\Software\Kestrom\Linkvane\DialEntry\ISP\'
\CurrentUser\Software\Kestrom\Linkvane\DialEntry\ISP\
    Homepage    REG_EXPAND_SZ    %HOME%/other
    Login    REG_SZ    bob
    Password    REG_SZ    xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx
    PingFreq    REG_SZ    15
# 39 accented letters are 78 bytes of UTF-8 but 39 in the stored code page; one more is refused.
$ a=$(printf 'é%.0s' {1..39}); linkvanectl profile set ISP EPassword "$a" && linkvanectl profile show ISP --json --show-passwords | grep EPassword; linkvanectl profile set ISP EPassword "${a}e"
  "EPassword": "ééééééééééééééééééééééééééééééééééééééé",
! linkvanectl: A password can hold at most 39 characters; this one has 40.
[exit 1]
# Two commands setting values of one profile at once lose neither.
$ v=(Login Username POP3Host SMTPHost Realname Organisation ReplyTo NNTPHost HTTPProxy FTPProxy ProxyOverride PingHost EmailSound HTTPProxyPort FTPProxyPort PopMinutes); for n in 0 1 2 3 4 5 6 7; do linkvanectl profile set ISP ${v[2*n]} $n & linkvanectl profile set ISP ${v[2*n+1]} $n & wait; done; linkvanectl profile show ISP --json | grep -E "\"($(IFS='|'; echo "${v[*]}"))\"" | tr -d ' \n'; echo
"Login":"0","Username":"0","POP3Host":"1","SMTPHost":"1","Realname":"2","Organisation":"2","ReplyTo":"3","NNTPHost":"3","HTTPProxy":"4","HTTPProxyPort":"6","FTPProxy":"4","FTPProxyPort":"7","ProxyOverride":"5","PingHost":"5","PopMinutes":7,"EmailSound":"6",
# Every command fails when its output cannot be written.
$ for a in 'profile list --json' 'profile list' 'phonebook show ISP' 'reg query \Software\ --json' 'reg export -' '--help'; do linkvanectl $a 2>&1 >/dev/full; echo "$a: exit $?"; done
linkvanectl: cannot write to standard output
profile list --json: exit 1
linkvanectl: cannot write to standard output: No space left on device
profile list: exit 1
linkvanectl: cannot write to standard output: No space left on device
phonebook show ISP: exit 1
linkvanectl: cannot write to standard output
reg query \Software\ --json: exit 1
linkvanectl: cannot write to standard output
reg export -: exit 1
linkvanectl: cannot write to standard output: No space left on device
--help: exit 1
# Names that differ only in case are one entry; an import checks the name before it changes anything.
$ linkvanectl profile set ISP Password secret && linkvanectl profile export ISP isp.idf && cp isp.idf lower.idf && printf 'isp\0' | dd of=lower.idf bs=1 seek=1768 conv=notrunc status=none
$ linkvanectl profile import lower.idf
! linkvanectl: The phonebook entry "isp" exists; nothing was imported. Give --yes to overwrite it.
[exit 1]
$ linkvanectl phonebook add isp --phone 2
! linkvanectl: The phonebook entry "isp" exists; give --replace to replace it.
[exit 1]
# 85 euro signs and a letter: 86 bytes in the file, 256 in UTF-8, one more than a key holds.
$ set -o pipefail; cp isp.idf long.idf && { printf '\200%.0s' {1..85}; printf 'a\0'; } | dd of=long.idf bs=1 seek=1768 conv=notrunc status=none && linkvanectl profile import long.idf --yes 2>&1 | sed 's/\xe2\x82\xac/E/g'
linkvanectl: The profile file names its profile "EEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEa", which cannot be used: The entry name is longer than 255 bytes. (code 123)
[exit 1]
# Direction controls in names are shown escaped, so that no name reads as another.
$ linkvanectl phonebook add $'\u202egpj.exe ISP' --phone 1 && linkvanectl profile list && linkvanectl phonebook remove $'\u202egpj.exe ISP'
  ISP
  \xe2\x80\xaegpj.exe ISP    (no stored settings)
$ linkvanectl profile list && linkvanectl profile show isp --json --show-passwords | grep '"Password"'
  ISP
  "Password": "secret",
$ linkvanectl profile import lower.idf --yes && linkvanectl phonebook list
Imported the profile "isp" (device: none).
ISP
# Names a registry file cannot carry stay out; every other name, and values that look like
# sections, export and import back as they were.
$ linkvanectl reg add $'\\Software\\T\\line\nbreak' REG_SZ x
! linkvanectl: \CurrentUser\Software\T\line\nbreak: the registry store failed (code 87)
[exit 1]
$ linkvanectl reg add $'\\Software\\esc\e[0m\\V' REG_SZ x
! linkvanectl: \CurrentUser\Software\esc\x1b[0m\V: the registry store failed (code 87)
[exit 1]
$ for odd in ']' '=x' ';c' '-lead' '@' '[k]' 'q"uote' ' pad '; do linkvanectl reg add "\\Software\\T\\$odd\\$odd" REG_SZ "$odd" || echo "refused: $odd"; done
$ linkvanectl profile set ISP SetIE 1 && linkvanectl profile set ISP POP3Host $'evil\n[HKEY_LOCAL_MACHINE\\Injected]' && linkvanectl apply ISP
Applied: Internet Explorer and autodial, mail accounts, Internet Mail and News.
$ linkvanectl reg export - > all.reg; grep -c '^\[HKEY_LOCAL_MACHINE\\Injected\]' all.reg; grep -A1 '^"POP3Host"' all.reg
0
"POP3Host"=hex(1):65,76,69,6c,0a,5b,48,4b,45,59,5f,4c,4f,43,41,4c,5f,4d,41,\
  43,48,49,4e,45,5c,49,6e,6a,65,63,74,65,64,5d,00
$ export XDG_CONFIG_HOME=~/restored; linkvanectl reg import - < all.reg && linkvanectl reg export - | cmp - all.reg && echo same
same
# Human output escapes control characters; JSON keeps them exactly (cat -v shows them here).
$ h=$'\e]0;owned\a\e[2J\nfake: line\r\xc2\x9b31m\x7f'; linkvanectl profile set ISP Homepage "$h" && linkvanectl reg add '\Software\T\V' REG_SZ "$h"
$ linkvanectl profile show ISP | grep Homepage; linkvanectl profile show ISP --json | grep Homepage | cat -v
Homepage: \x1b]0;owned\x07\x1b[2J\nfake: line\r\xc2\x9b31m\x7f
  "Homepage": "\u001b]0;owned\u0007\u001b[2J\nfake: line\rM-BM-^[31m^?",
$ linkvanectl reg query '\Software\T\V' && linkvanectl reg query '\Software\T\V' --json | cat -v
REG_SZ    \x1b]0;owned\x07\x1b[2J\nfake: line\r\xc2\x9b31m\x7f
{
  "type": "REG_SZ",
  "data": "\u001b]0;owned\u0007\u001b[2J\nfake: line\rM-BM-^[31m^?"
}
$ linkvanectl reg query '\Software\T\' | grep -v '^\\' && linkvanectl reg query '\Software\T\' --json | grep -A3 '"V"' | cat -v
    V    REG_SZ    \x1b]0;owned\x07\x1b[2J\nfake: line\r\xc2\x9b31m\x7f
    "V": {
      "type": "REG_SZ",
      "data": "\u001b]0;owned\u0007\u001b[2J\nfake: line\rM-BM-^[31m^?"
    }
$ echo '{"entries":[{"name":"ISP","dialParams":{"userName":"\u001b]0;owned\u0007\u001b[2J\nfake: line\r\u009b31m\u007f"}}]}' > $XDG_CONFIG_HOME/linkvane/phonebook.json
$ linkvanectl phonebook show ISP | grep -A1 '^dialParams'; linkvanectl phonebook show ISP --json | grep userName | cat -v
dialParams:
  userName: \x1b]0;owned\x07\x1b[2J\nfake: line\r\xc2\x9b31m\x7f
    "userName": "\u001b]0;owned\u0007\u001b[2J\nfake: line\rM-BM-^[31m^?",
# A value naming a large variable many times expands to nothing rather than without bound.
$ linkvanectl reg add '\Software\Kestrom\Linkvane\DialEntry\ISP\Homepage' REG_EXPAND_SZ "$(printf '%%LV_BIG%%%.0s' {1..3000})" && LV_BIG=$(head -c 65536 /dev/zero | tr '\0' b) linkvanectl profile show ISP --json | grep Homepage
  "Homepage": "",
# A damaged phonebook stops export and apply before they write anything.
$ echo '{ damaged' > $XDG_CONFIG_HOME/linkvane/phonebook.json
$ linkvanectl profile export ISP never.idf
! linkvanectl: The phonebook ~/config/linkvane/phonebook.json is damaged and was left as it is. The phonebook is not valid JSON: parse error at line 1, column 3: syntax error while parsing object key - invalid literal; last read: '{ d'; expected string literal Repair or remove the file. (code 625)
[exit 1]
$ linkvanectl apply ISP
! linkvanectl: The phonebook ~/config/linkvane/phonebook.json is damaged and was left as it is. The phonebook is not valid JSON: parse error at line 1, column 3: syntax error while parsing object key - invalid literal; last read: '{ d'; expected string literal Repair or remove the file. (code 625)
[exit 1]
$ test -e never.idf || echo no file
no file
# A file where the settings folder belongs.
$ rm -r $XDG_CONFIG_HOME/linkvane && echo 'a file where the settings folder belongs' > $XDG_CONFIG_HOME/linkvane
$ linkvanectl phonebook list
! linkvanectl: Cannot open the phonebook ~/config/linkvane/phonebook.json: its folder ~/config/linkvane is not a folder (code 621)
[exit 1]
$ linkvanectl profile list
! linkvanectl: ~/config/linkvane is not a folder; Linkvane keeps its settings in a folder there. (code 267)
[exit 1]
