# The call log in file order, as JSON with the lines it could not read, and each entry's months added up.
$ linkvanectl log && test ! -e .local/share/linkvane/connect.log && echo no log made
no log made
$ mkdir -p .local/share/linkvane && printf '%s\n' 'Demon Dial - Monday, 30 November 2026 23:59:10 (1:00:50)' 'Work - Tuesday, 1 December 2026 08:00:00 (25:03:07)' 'Demon Dial - Wednesday, 2 December 2026 09:15:00 (0:00:59)' 'Demon Dial - Saturday, 5 December 2026 21:00:00 (0:30:00)' 'not a call line' '' Work 'Work (1:00:00)' 'Work - date time' 'Work - d t (1:2:03)' 'Work - d t (1:60:00)' 'Work - d t (x:00:00)' 'Dash - In - Name - 2026-12-06 10:00:00 (0:01:00)' 'Work - sometime 10:00:00 (0:00:10)' > .local/share/linkvane/connect.log
$ linkvanectl log | cmp - .local/share/linkvane/connect.log && echo as written
as written
$ linkvanectl log --json
{
  "log": "~/.local/share/linkvane/connect.log",
  "calls": [
    {
      "entry": "Demon Dial",
      "start": "Monday, 30 November 2026 23:59:10",
      "date": "Monday, 30 November 2026",
      "time": "23:59:10",
      "durationSeconds": 3650,
      "startedAt": null,
      "bytesIn": null,
      "bytesOut": null
    },
    {
      "entry": "Work",
      "start": "Tuesday, 1 December 2026 08:00:00",
      "date": "Tuesday, 1 December 2026",
      "time": "08:00:00",
      "durationSeconds": 90187,
      "startedAt": null,
      "bytesIn": null,
      "bytesOut": null
    },
    {
      "entry": "Demon Dial",
      "start": "Wednesday, 2 December 2026 09:15:00",
      "date": "Wednesday, 2 December 2026",
      "time": "09:15:00",
      "durationSeconds": 59,
      "startedAt": null,
      "bytesIn": null,
      "bytesOut": null
    },
    {
      "entry": "Demon Dial",
      "start": "Saturday, 5 December 2026 21:00:00",
      "date": "Saturday, 5 December 2026",
      "time": "21:00:00",
      "durationSeconds": 1800,
      "startedAt": null,
      "bytesIn": null,
      "bytesOut": null
    },
    {
      "entry": "Dash - In - Name",
      "start": "2026-12-06 10:00:00",
      "date": "2026-12-06",
      "time": "10:00:00",
      "durationSeconds": 60,
      "startedAt": null,
      "bytesIn": null,
      "bytesOut": null
    },
    {
      "entry": "Work",
      "start": "sometime 10:00:00",
      "date": "sometime",
      "time": "10:00:00",
      "durationSeconds": 10,
      "startedAt": null,
      "bytesIn": null,
      "bytesOut": null
    }
  ],
  "unrecognised": [
    "not a call line",
    "Work",
    "Work (1:00:00)",
    "Work - date time",
    "Work - d t (1:2:03)",
    "Work - d t (1:60:00)",
    "Work - d t (x:00:00)"
  ]
}
$ linkvanectl log --json --summary
{
  "summary": [
    {
      "entry": "Dash - In - Name",
      "month": "2026-12",
      "calls": 1,
      "seconds": 60,
      "bytesIn": null,
      "bytesOut": null
    },
    {
      "entry": "Demon Dial",
      "month": "2026-11",
      "calls": 1,
      "seconds": 3650,
      "bytesIn": null,
      "bytesOut": null
    },
    {
      "entry": "Demon Dial",
      "month": "2026-12",
      "calls": 2,
      "seconds": 1859,
      "bytesIn": null,
      "bytesOut": null
    },
    {
      "entry": "Work",
      "month": null,
      "calls": 1,
      "seconds": 10,
      "bytesIn": null,
      "bytesOut": null
    },
    {
      "entry": "Work",
      "month": "2026-12",
      "calls": 1,
      "seconds": 90187,
      "bytesIn": null,
      "bytesOut": null
    }
  ]
}
$ linkvanectl log --summary
Dash - In - Name	2026-12	1 call	0:01:00	volume unknown
Demon Dial	2026-11	1 call	1:00:50	volume unknown
Demon Dial	2026-12	2 calls	0:30:59	volume unknown
Work	unknown month	1 call	0:00:10	volume unknown
Work	2026-12	1 call	25:03:07	volume unknown
# A log that is not a regular file is refused at once: a pipe, a link to an endless device, a folder.
$ rm .local/share/linkvane/connect.log && mkfifo .local/share/linkvane/connect.log && linkvanectl log --json
! linkvanectl: The call log: ~/.local/share/linkvane/connect.log is not a regular file. (code 5)
[exit 1]
$ rm .local/share/linkvane/connect.log && ln -s /dev/zero .local/share/linkvane/connect.log && linkvanectl log --summary
! linkvanectl: The call log: ~/.local/share/linkvane/connect.log is a symbolic link, which is not followed. (code 5)
[exit 1]
$ rm .local/share/linkvane/connect.log && mkdir .local/share/linkvane/connect.log && linkvanectl log
! linkvanectl: The call log: ~/.local/share/linkvane/connect.log is not a regular file. (code 5)
[exit 1]
# links lists the live pppds of the run directory by the pid files they write, and trusts no other.
$ mkdir run && cp "$(command -v sleep)" pppd && { ./pppd 60 >/dev/null 2>&1 & echo $! > run/ppp-Demon.pid; } && echo 4194000 > run/ppp-Stale.pid
$ until grep -qx pppd /proc/$(cat run/ppp-Demon.pid)/comm; do sleep 0.01; done; linkvanectl links --json --run-dir run | sed "s/$(cat run/ppp-Demon.pid)/PID/"; kill $(cat run/ppp-Demon.pid)
{
  "links": [
    {
      "entry": "Demon",
      "deviceType": "ppp",
      "deviceName": "",
      "pid": PID,
      "interface": null,
      "localAddress": null,
      "nameServers": []
    }
  ]
}
$ linkvanectl links --run-dir none
! linkvanectl: Cannot read none: No such file or directory (code 2)
[exit 1]
