# What the modules of this collection share: the connection options, the items of the five
# settings, and running vemora-cli with --json.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json

# The items vemora-cli takes (vemora-cli --json items), by the module's option name, with the
# option of vemora-cli and the key of its JSON documents.
SETTINGS = [
    ('code_table', '--code-table', 'codeTable', [
        'PC437 (USA: Standard Europe)', 'Katakana', 'PC850 (Multilingual)',
        'PC860 (Portugues)', 'PC863 (Canadian-French)', 'PC865 (Nordic)', 'PC737 (Greek)',
        'WPC1250 (Central European)', 'WPC1251 (Cyrillic)', 'WPC1252 (Lantin 1)',
        'PC866 (Cyrillic #2)', 'PC852 (Latin 2)', 'PC858 (Euro)', 'PC775 (Baltic)',
        'WPC1253 (Greek)', 'WPC1254 (Turkish)', 'PC864(Arabic)']),
    ('charset', '--charset', 'characterSet', [
        'U.S.A.', 'France', 'Germany', 'U.K.', 'Denmak I', 'Sweden', 'Italy', 'Spain I',
        'Japan', 'Norway', 'Denmark II', 'Spain II', 'Latin America', 'Korea',
        'Slovenia/Croatia', 'China']),
    ('brightness', '--brightness', 'brightness', ['100%', '60%', '40%', '20%']),
    ('peripheral', '--peripheral', 'peripheralDevice', [
        'Printer', 'Customer Display', 'Both Printer and Customer Display']),
    ('cursor', '--cursor', 'cursorMode', ['Cursor is displayed', 'Cursor is not displayed']),
]

CONNECTION_OPTIONS = dict(
    port=dict(type='str', required=True),
    baud=dict(type='int', default=9600, choices=[9600, 19200, 38400, 57600, 115200]),
    data_bits=dict(type='int', default=8, choices=[8, 7]),
    parity=dict(type='str', default='none', choices=['none', 'odd', 'even']),
    mode=dict(type='str', default='escpos', choices=['escpos', 'korvant', 'others']),
    keep_printers=dict(type='bool', default=False),
    cli=dict(type='path', default='vemora-cli'),
)

SETTINGS_OPTIONS = dict(
    type='dict',
    options=dict((name, dict(type='str', choices=items)) for name, _, _, items in SETTINGS),
)


def connection_args(params):
    """vemora-cli's options for the port and its line settings."""
    args = ['--port', params['port'], '--baud', str(params['baud']),
            '--data-bits', str(params['data_bits']), '--parity', params['parity'],
            '--mode', params['mode']]
    if params['keep_printers']:
        args.append('--keep-printers')
    return args


def setting_args(settings):
    """vemora-cli's options for the settings given (a dict of the module's names)."""
    args = []
    for name, option, _, _ in SETTINGS:
        if settings and settings.get(name) is not None:
            args += [option, settings[name]]
    return args


def run_cli(module, command):
    """Runs vemora-cli --json COMMAND on the port; returns its document, or fails the task with
    vemora-cli's own messages."""
    params = module.params
    argv = [params['cli'], '--json'] + connection_args(params) + command
    rc, out, err = module.run_command(argv)
    try:
        document = json.loads(out)
    except ValueError:
        module.fail_json(msg=err.strip() or 'vemora-cli printed no JSON document',
                         rc=rc, cmd=argv, stdout=out, stderr=err)
    if rc != 0:
        module.fail_json(msg='\n'.join(document.get('messages') or [err.strip()]),
                         rc=rc, cmd=argv, stderr=err, **result_of(document))
    return document


def result_of(document):
    """What a task returns of vemora-cli's document: everything but what the task says itself."""
    return dict((k, v) for k, v in document.items() if k not in ('exitStatus', 'changed'))


def settings_text(image):
    """The five settings of an image (as get --json gives it) a line each, as a diff shows them."""
    lines = []
    for _, _, key, _ in SETTINGS:
        item = image['settings'][key]
        lines.append('%s: %s\n' % (key, item.get('item') or 'index %s' % item.get('index')))
    return ''.join(lines)
