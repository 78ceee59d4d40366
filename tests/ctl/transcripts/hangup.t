# Hanging up a link that is not up says so.
$ linkvanectl hangup Nothing
! linkvanectl: No link "Nothing" is up.
[exit 1]
