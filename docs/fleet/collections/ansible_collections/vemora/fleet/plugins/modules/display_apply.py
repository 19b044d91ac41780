#!/usr/bin/python
# Brings a customer pole display's memory switches to a status file or to given settings, through
# vemora-cli on the managed host.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: display_apply
short_description: Bring a customer pole display's memory switches to a status file or settings
description:
  - Runs C(vemora-cli --json apply) on the managed host. It checks the connection, reads the
    display's five memory switches, makes the wanted ones (from the status file, or the ones read,
    with the given settings over them) and writes them only when they differ from what the display
    holds, then reads them back.
  - In check mode it runs C(vemora-cli --json apply --dry-run), which reads and compares the same
    way and never writes.
  - Every run checks the connection, so a display in the ESC/POS emulation shows its setup mode for
    about 300 ms also when nothing is written.
  - A task fails with vemora-cli's own message, for example C(Can't open port and Display is
    disconnected) and the reason, when the display cannot be reached.
extends_documentation_fragment:
  - vemora.fleet.connection
options:
  src:
    description:
      - A status file (C(.sts)) on the controller, found as M(ansible.builtin.copy) finds its
        I(src); its bytes are handed to the managed host with the task, so nothing is left there.
    type: path
  content:
    description:
      - The bytes of a status file, base64-encoded; what I(src) becomes on its way to the host.
    type: str
  settings:
    description:
      - Settings to write, by name; over the status file when one is given, else over what the
        display holds. The items are those of C(vemora-cli items).
    type: dict
    suboptions:
      code_table:
        description: Character code table (vemora-cli's C(--code-table)).
        type: str
        choices:
          - 'PC437 (USA: Standard Europe)'
          - 'Katakana'
          - 'PC850 (Multilingual)'
          - 'PC860 (Portugues)'
          - 'PC863 (Canadian-French)'
          - 'PC865 (Nordic)'
          - 'PC737 (Greek)'
          - 'WPC1250 (Central European)'
          - 'WPC1251 (Cyrillic)'
          - 'WPC1252 (Lantin 1)'
          - 'PC866 (Cyrillic #2)'
          - 'PC852 (Latin 2)'
          - 'PC858 (Euro)'
          - 'PC775 (Baltic)'
          - 'WPC1253 (Greek)'
          - 'WPC1254 (Turkish)'
          - 'PC864(Arabic)'
      charset:
        description: International character set (vemora-cli's C(--charset)).
        type: str
        choices:
          - 'U.S.A.'
          - 'France'
          - 'Germany'
          - 'U.K.'
          - 'Denmak I'
          - 'Sweden'
          - 'Italy'
          - 'Spain I'
          - 'Japan'
          - 'Norway'
          - 'Denmark II'
          - 'Spain II'
          - 'Latin America'
          - 'Korea'
          - 'Slovenia/Croatia'
          - 'China'
      brightness:
        description: Brightness (vemora-cli's C(--brightness)).
        type: str
        choices:
          - '100%'
          - '60%'
          - '40%'
          - '20%'
      peripheral:
        description: Peripheral device (vemora-cli's C(--peripheral)).
        type: str
        choices:
          - 'Printer'
          - 'Customer Display'
          - 'Both Printer and Customer Display'
      cursor:
        description: Cursor display mode (vemora-cli's C(--cursor)).
        type: str
        choices:
          - 'Cursor is displayed'
          - 'Cursor is not displayed'
attributes:
  check_mode:
    description: Reads and compares, and reports what would change; never writes.
    support: full
  diff_mode:
    description: Shows the five settings before and after.
    support: full
notes:
  - One of I(src), I(content) and I(settings) is needed.
author:
  - Vemora developers
"""

EXAMPLES = r"""
- name: Bring every display to the shop's switches
  vemora.fleet.display_apply:
    port: /dev/ttyUSB0
    src: shop.sts

- name: Dim the display and hide its cursor
  vemora.fleet.display_apply:
    port: /dev/serial/by-id/usb-1a86_USB_Serial-if00-port0
    settings:
      brightness: 40%
      cursor: Cursor is not displayed
"""

RETURN = r"""
port:
  description: The port, as given.
  returned: always
  type: str
before:
  description: What the display held, as C(vemora-cli --json get) gives it (C(settings), C(cells)).
  returned: when the display was read
  type: dict
after:
  description: What the display was given (in check mode, what it would be given), the same way.
  returned: when the display was read
  type: dict
verified:
  description: The display was written and read back as sent.
  returned: when not in check mode and the display was read
  type: bool
messages:
  description: What vemora-cli said, as in its text mode, for example C(Connected.) and C(Changed.)
  returned: always
  type: list
  elements: str
"""

import base64
import os

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.vemora.fleet.plugins.module_utils.vemora_cli import (
    CONNECTION_OPTIONS, SETTINGS_OPTIONS, result_of, run_cli, setting_args, settings_text)


def apply_command(module):
    """vemora-cli's apply with what the task asks for."""
    command = ['apply']
    if module.params['content'] is not None:
        wanted = os.path.join(module.tmpdir, 'wanted.sts')
        with open(wanted, 'wb') as f:
            f.write(base64.b64decode(module.params['content']))
        command += ['--load', wanted]
    command += setting_args(module.params['settings'])
    if module.check_mode:
        command.append('--dry-run')
    return command


def main():
    module = AnsibleModule(
        argument_spec=dict(CONNECTION_OPTIONS, src=dict(type='path'), content=dict(type='str'),
                           settings=SETTINGS_OPTIONS),
        required_one_of=[('src', 'content', 'settings')],
        mutually_exclusive=[('src', 'content')],
        supports_check_mode=True)
    if module.params['src'] is not None:
        module.fail_json(msg='src is read on the controller; run the module as a task, whose '
                             'action plugin hands the file over as content')
    document = run_cli(module, apply_command(module))
    result = dict(result_of(document), changed=document['changed'])
    if module._diff:
        port = module.params['port']
        result['diff'] = dict(before_header=port, before=settings_text(document['before']),
                              after_header=port, after=settings_text(document['after']))
    module.exit_json(**result)


if __name__ == '__main__':
    main()
