# The options of every module of this collection that say how to reach the display.
from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    DOCUMENTATION = r'''
options:
  port:
    description:
      - The display's serial port on the managed host, as vemora-cli takes it.
      - C(COM1) ... C(COM9) stand for C(/dev/ttyS0) ... C(/dev/ttyS8); a name that begins with
        C(/) is a device path, such as a C(/dev/serial/by-id/) link, which stays the same across
        reboots and plug order.
    type: str
    required: true
  baud:
    description: The baud rate of the line.
    type: int
    default: 9600
    choices: [9600, 19200, 38400, 57600, 115200]
  data_bits:
    description: The data bits of the line.
    type: int
    default: 8
    choices: [8, 7]
  parity:
    description: The parity of the line.
    type: str
    default: none
    choices: [none, odd, even]
  mode:
    description: The display's emulation; the memory switches are those of C(escpos).
    type: str
    default: escpos
    choices: [escpos, korvant, others]
  keep_printers:
    description: Leave the local printers that use the port alone instead of parking them.
    type: bool
    default: false
  cli:
    description: The vemora-cli program on the managed host.
    type: path
    default: vemora-cli
requirements:
  - vemora-cli (the vemora package) on the managed host
'''
