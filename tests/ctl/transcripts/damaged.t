# A damaged or foreign store gives one line with code 1009 and is never touched.
$ umask 077; mkdir -p $XDG_CONFIG_HOME/linkvane && yes 'not a database' | head -c 4096 > $XDG_CONFIG_HOME/linkvane/current_user.db && touch -d @0 $XDG_CONFIG_HOME/linkvane/current_user.db && cp $XDG_CONFIG_HOME/linkvane/current_user.db before.db
$ linkvanectl reg query '\Software\' --json
! linkvanectl: The settings file ~/config/linkvane/current_user.db is damaged (file is not a database). Linkvane has left it as it is; move it aside to start with empty settings. (code 1009)
[exit 1]
$ linkvanectl reg add '\Software\X\Y' REG_SZ y
! linkvanectl: The settings file ~/config/linkvane/current_user.db is damaged (file is not a database). Linkvane has left it as it is; move it aside to start with empty settings. (code 1009)
[exit 1]
$ linkvanectl reg export -
! linkvanectl: The settings file ~/config/linkvane/current_user.db is damaged (file is not a database). Linkvane has left it as it is; move it aside to start with empty settings. (code 1009)
[exit 1]
$ printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\X]\n' | linkvanectl reg import -
! linkvanectl: The settings file ~/config/linkvane/current_user.db is damaged (file is not a database). Linkvane has left it as it is; move it aside to start with empty settings. (code 1009)
[exit 1]
$ linkvanectl profile list --json
! linkvanectl: The settings file ~/config/linkvane/current_user.db is damaged (file is not a database). Linkvane has left it as it is; move it aside to start with empty settings. (code 1009)
[exit 1]
$ linkvanectl profile show 'Demon Dial' --json
! linkvanectl: The settings file ~/config/linkvane/current_user.db is damaged (file is not a database). Linkvane has left it as it is; move it aside to start with empty settings. (code 1009)
[exit 1]
$ linkvanectl profile set 'Demon Dial' UseLan 1
! linkvanectl: The settings file ~/config/linkvane/current_user.db is damaged (file is not a database). Linkvane has left it as it is; move it aside to start with empty settings. (code 1009)
[exit 1]
$ linkvanectl apply 'Demon Dial'
! linkvanectl: The settings file ~/config/linkvane/current_user.db is damaged (file is not a database). Linkvane has left it as it is; move it aside to start with empty settings. (code 1009)
[exit 1]
$ cmp $XDG_CONFIG_HOME/linkvane/current_user.db before.db && stat -c %Y $XDG_CONFIG_HOME/linkvane/current_user.db
0
# A store cut short, and another program's database, likewise; the other settings file still works.
$ umask 077; D=$XDG_CONFIG_HOME/linkvane; rm $D/current_user.db && linkvanectl reg add '\Software\V' REG_SZ before && linkvanectl reg add '\LocalMachine\Software\M' REG_SZ m && truncate -s 50 $D/current_user.db && cp $D/current_user.db before.db
$ linkvanectl reg query '\Software\V'
! linkvanectl: The settings file ~/config/linkvane/current_user.db is damaged (database disk image is malformed). Linkvane has left it as it is; move it aside to start with empty settings. (code 1009)
[exit 1]
$ linkvanectl reg add '\Software\V' REG_SZ after
! linkvanectl: The settings file ~/config/linkvane/current_user.db is damaged (database disk image is malformed). Linkvane has left it as it is; move it aside to start with empty settings. (code 1009)
[exit 1]
$ linkvanectl reg query '\LocalMachine\Software\M' && cmp $XDG_CONFIG_HOME/linkvane/current_user.db before.db && echo unchanged
REG_SZ    m
unchanged
$ umask 077; D=$XDG_CONFIG_HOME/linkvane; rm $D/current_user.db && sqlite3 $D/current_user.db "CREATE TABLE notes(text); INSERT INTO notes VALUES('mine')" && cp $D/current_user.db before.db
$ linkvanectl reg query '\Software\V'
! linkvanectl: The settings file ~/config/linkvane/current_user.db is damaged (it is not a Linkvane settings file). Linkvane has left it as it is; move it aside to start with empty settings. (code 1009)
[exit 1]
$ linkvanectl reg add '\Software\V' REG_SZ after
! linkvanectl: The settings file ~/config/linkvane/current_user.db is damaged (it is not a Linkvane settings file). Linkvane has left it as it is; move it aside to start with empty settings. (code 1009)
[exit 1]
$ cmp $XDG_CONFIG_HOME/linkvane/current_user.db before.db && sqlite3 $XDG_CONFIG_HOME/linkvane/current_user.db 'SELECT * FROM notes'
mine
# A damaged phonebook likewise.
$ printf '{"version": 1, "entries": [ {"name": 5} ]}' > $XDG_CONFIG_HOME/linkvane/phonebook.json && rm $XDG_CONFIG_HOME/linkvane/current_user.db
$ linkvanectl phonebook list
! linkvanectl: The phonebook ~/config/linkvane/phonebook.json is damaged and was left as it is. phonebook.entries[0].name must be a string. Repair or remove the file. (code 625)
[exit 1]
$ linkvanectl phonebook add X --phone 1
! linkvanectl: The phonebook ~/config/linkvane/phonebook.json is damaged and was left as it is. phonebook.entries[0].name must be a string. Repair or remove the file. (code 625)
[exit 1]
$ linkvanectl profile list --json
! linkvanectl: The phonebook ~/config/linkvane/phonebook.json is damaged and was left as it is. phonebook.entries[0].name must be a string. Repair or remove the file. (code 625)
[exit 1]
$ cat $XDG_CONFIG_HOME/linkvane/phonebook.json
{"version": 1, "entries": [ {"name": 5} ]}
