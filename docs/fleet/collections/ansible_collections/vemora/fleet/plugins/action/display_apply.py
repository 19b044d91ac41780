# The controller's half of display_apply: a status file given as src is read here, where it is,
# and its bytes go to the managed host with the module's arguments.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import base64

from ansible.errors import AnsibleError, AnsibleActionFail
from ansible.module_utils.common.text.converters import to_text
from ansible.plugins.action import ActionBase


class ActionModule(ActionBase):

    def run(self, tmp=None, task_vars=None):
        result = super(ActionModule, self).run(tmp, task_vars)
        args = dict(self._task.args)
        src = args.pop('src', None)
        if src is not None:
            if args.get('content') is not None:
                raise AnsibleActionFail('src and content are mutually exclusive')
            try:
                path = self._find_needle('files', src)
                with open(path, 'rb') as f:
                    args['content'] = to_text(base64.b64encode(f.read()))
            except (AnsibleError, OSError) as e:
                raise AnsibleActionFail('%s: %s' % (src, to_text(e)))
        result.update(self._execute_module(module_args=args, task_vars=task_vars))
        return result
