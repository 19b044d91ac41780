#!/usr/bin/python
# Reads a customer pole display's memory switches through vemora-cli on the managed host.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: display_info
short_description: Read the five settings of a customer pole display
description:
  - Runs C(vemora-cli --json get) on the managed host. It checks the connection and reads the
    display's five memory switches; it writes nothing.
  - The connection check shows the setup mode on a display in the ESC/POS emulation for about
    300 ms.
  - A task fails with vemora-cli's own message when the display cannot be reached or read.
extends_documentation_fragment:
  - vemora.fleet.connection
attributes:
  check_mode:
    description: Reads as it always does.
    support: full
  diff_mode:
    description: Changes nothing, so it shows no difference.
    support: none
author:
  - Vemora developers
"""

EXAMPLES = r"""
- name: Read the display
  vemora.fleet.display_info:
    port: /dev/ttyUSB0
  register: display

- name: Say its brightness
  ansible.builtin.debug:
    msg: "{{ display.settings.brightness.item }}"
"""

RETURN = r"""
port:
  description: The port, as given.
  returned: always
  type: str
settings:
  description:
    - The five settings (C(codeTable), C(characterSet), C(brightness), C(peripheralDevice),
      C(cursorMode)), each with its C(index) in the list and its C(item), the item's text (null
      when the switches make no item).
  returned: success
  type: dict
cells:
  description: The five banks of nine cells of the switch image, as a status file holds them.
  returned: success
  type: list
  elements: list
messages:
  description: What vemora-cli said, as in its text mode, for example C(Connected.)
  returned: always
  type: list
  elements: str
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.vemora.fleet.plugins.module_utils.vemora_cli import (
    CONNECTION_OPTIONS, result_of, run_cli)


def main():
    module = AnsibleModule(argument_spec=CONNECTION_OPTIONS, supports_check_mode=True)
    module.exit_json(changed=False, **result_of(run_cli(module, ['get'])))


if __name__ == '__main__':
    main()
