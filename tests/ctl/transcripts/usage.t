# Help and version; usage errors exit with 2, print nothing on stdout, and name the usage of what was meant.
$ linkvanectl --version
linkvanectl 1.15
$ linkvanectl --help
usage: linkvanectl [--help | --version] GROUP [COMMAND] [ARGUMENTS]

Linkvane's command-line companion: the registry store, the profiles, the dial-up
phonebook and the client settings, the keep-alive ping and the mail check, for scripts
and for a look at what is stored; the dial-up links that are up and the call log; and
finding, probing and dialling a modem, and hanging up, from a terminal.

reg: the registry store, by accessor paths
  linkvanectl reg parse PATH [--json]
  linkvanectl reg query PATH [--json]
  linkvanectl reg add PATH TYPE DATA
  linkvanectl reg delete PATH
  linkvanectl reg export FILE [PATH]
  linkvanectl reg import FILE
profile: the profiles' settings and profile files
  linkvanectl profile list [--json]
  linkvanectl profile show NAME [--json] [--show-passwords]
  linkvanectl profile set NAME VALUE DATA
  linkvanectl profile clear NAME
  linkvanectl profile export NAME FILE
  linkvanectl profile import FILE [--yes] [--device DEV] [--with-settings]
phonebook: the dial-up phonebook
  linkvanectl phonebook list [--json]
  linkvanectl phonebook show NAME [--json] [--show-passwords]
  linkvanectl phonebook add NAME --phone NUMBER... [--device PATH] [--area CODE] [--country CODE] [--replace]
  linkvanectl phonebook remove NAME
  linkvanectl phonebook devices [--json] [--add PATH] [--remove PATH]
apply: apply a profile's client settings without dialling
  linkvanectl apply NAME [--json]
ping: ping a host as the keep-alive ping does
  linkvanectl ping HOST [--json] [--no-bus]
mail: check a profile's POP3 mailbox for waiting mail
  linkvanectl mail check NAME [--port N] [--accept-fingerprint SHA256] [--json] [--no-bus]
links: list the dial-up links that are up
  linkvanectl links [--json] [--run-dir DIR]
log: show the call log, or the time online per month
  linkvanectl log [--json] [--summary]
connect: dial a profile in the foreground
  linkvanectl connect NAME [--json] [--no-bus]
hangup: end dial-up links
  linkvanectl hangup [NAME] [--json] [--no-bus]
modem: find and probe modems
  linkvanectl modem list [--json] [--watch]
  linkvanectl modem probe [DEVICE] [--json] [--speed N]

Every --json form prints exactly one JSON object on stdout (connect and modem list
--watch: one a line, for each event). A failure prints one line
"linkvanectl: MESSAGE (code N)" on stderr (the code where there is one: a Windows or
Remote Access error number) and exits with 1; a usage error exits with 2. The settings
live under $XDG_CONFIG_HOME/linkvane (default ~/.config/linkvane). Options take their
value as the next argument or after "="; "--" ends the options.
Run "linkvanectl GROUP --help" for each group's details.
$ linkvanectl reg --help > /dev/null && linkvanectl profile show --help | head -3 && linkvanectl help apply | head -1
usage: linkvanectl profile COMMAND [ARGUMENTS]

the profiles' settings and profile files
usage: linkvanectl apply NAME [--json]
$ linkvanectl
! linkvanectl: no command given
! usage: linkvanectl GROUP [COMMAND] [ARGUMENTS] (see --help)
[exit 2]
$ linkvanectl frobnicate
! linkvanectl: unknown command "frobnicate"
! usage: linkvanectl GROUP [COMMAND] [ARGUMENTS] (see --help)
[exit 2]
$ linkvanectl reg
! linkvanectl: the reg group needs a command
! usage: linkvanectl reg COMMAND [ARGUMENTS] (see --help)
[exit 2]
$ linkvanectl reg query a --jsn
! linkvanectl: unknown option --jsn
! usage: linkvanectl reg query PATH [--json]
[exit 2]
$ linkvanectl phonebook add X --phone
! linkvanectl: the option --phone needs a value
! usage: linkvanectl phonebook add NAME --phone NUMBER... [--device PATH] [--area CODE] [--country CODE] [--replace]
[exit 2]
$ linkvanectl reg frob
! linkvanectl: unknown reg command "frob"
! usage: linkvanectl reg COMMAND [ARGUMENTS] (see --help)
[exit 2]
$ linkvanectl reg query
! linkvanectl: missing arguments
! usage: linkvanectl reg query PATH [--json]
[exit 2]
$ linkvanectl reg query a b
! linkvanectl: too many arguments
! usage: linkvanectl reg query PATH [--json]
[exit 2]
$ linkvanectl reg add '\S\V' REG_TEXT a
! linkvanectl: "REG_TEXT" is not a type to write; use REG_SZ, REG_EXPAND_SZ, REG_DWORD, REG_DWORD_BIG_ENDIAN or REG_BINARY
! usage: linkvanectl reg add PATH TYPE DATA
[exit 2]
$ linkvanectl reg add '\S\V' REG_DWORD ''
! linkvanectl: REG_DWORD data must be a whole number (decimal, or hexadecimal after 0x), not ""
! usage: linkvanectl reg add PATH TYPE DATA
[exit 2]
$ linkvanectl phonebook add X
! linkvanectl: the option --phone is required
! usage: linkvanectl phonebook add NAME --phone NUMBER... [--device PATH] [--area CODE] [--country CODE] [--replace]
[exit 2]
$ linkvanectl profile set P UseLan x
! linkvanectl: the value of UseLan must be a whole number (decimal, or hexadecimal after 0x), not "x"
! usage: linkvanectl profile set NAME VALUE DATA
[exit 2]
$ linkvanectl apply
! linkvanectl: missing arguments
! usage: linkvanectl apply NAME [--json]
[exit 2]
