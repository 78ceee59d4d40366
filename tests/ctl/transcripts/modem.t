# The serial ports of a captured sysfs tree, read through umockdev's preload library in the place
# of /sys (before the sanitizer's runtime): a real UART (ttyS0), a ttyS without one, a virtual
# console, a USB serial adapter that udevd has named and a USB modem seen by sysfs alone.
$ export UMOCKDEV_DIR=$TEST_DATA/sysfs LD_PRELOAD=libumockdev-preload.so.0 ASAN_OPTIONS=$ASAN_OPTIONS:verify_asan_link_order=0; linkvanectl modem list && linkvanectl modem list --json
/dev/ttyACM0    ttyACM0, U.S.Robotics USB Modem [0baf:0303] (cdc_acm)
/dev/ttyS0    ttyS0 (serial)
/dev/serial/by-id/usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0    ttyUSB0, Prolific Technology Inc. USB-Serial Controller [067b:2303] (pl2303)
{
  "ports": [
    {
      "path": "/dev/ttyACM0",
      "device": "/dev/ttyACM0",
      "name": "ttyACM0",
      "driver": "cdc_acm",
      "vendorId": "0baf",
      "productId": "0303",
      "vendor": "U.S.Robotics",
      "model": "USB Modem"
    },
    {
      "path": "/dev/ttyS0",
      "device": "/dev/ttyS0",
      "name": "ttyS0",
      "driver": "serial",
      "vendorId": "",
      "productId": "",
      "vendor": "",
      "model": ""
    },
    {
      "path": "/dev/serial/by-id/usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0",
      "device": "/dev/ttyUSB0",
      "name": "ttyUSB0",
      "driver": "pl2303",
      "vendorId": "067b",
      "productId": "2303",
      "vendor": "Prolific Technology Inc.",
      "model": "USB-Serial Controller"
    }
  ]
}
