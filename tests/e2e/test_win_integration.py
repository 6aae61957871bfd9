"""The Windows integration tests (tests/win), run inside the shared desktop: they need
the prefix's registry and real windows."""

import os

from session import E2ETestCase, build_dir


class WindowsIntegrationTests(E2ETestCase):
    def test_all_pass(self):
        exe = os.path.join(build_dir(), "velumix_win_tests.exe")
        if not os.path.exists(exe):
            self.fail(f"{exe} not built")
        proc = self.desk.run(exe, cwd=self.workdir, name="win-tests")
        code = proc.wait(300)
        output = proc.output()
        self.assertIn("[  PASSED  ]", output, output)
        self.assertEqual(code, 0, output)
