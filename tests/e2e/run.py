#!/usr/bin/env python3
"""Run the end-to-end tests (tests/e2e/test_*.py) in one shared Wine desktop.

    python3 tests/e2e/run.py [-k PATTERN]... [--build DIR] [--exe EXE] [--peer DIR] [--label NAME]
                             [--artifacts DIR] [--keep]

Exit status 0 only when every selected test passed (and at least one ran).
"""

import argparse
import os
import shutil
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import session  # noqa: E402


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("-k", dest="patterns", action="append", default=[],
                    help="only tests whose id contains PATTERN (fnmatch wildcards allowed; repeatable)")
    ap.add_argument("--build", default=os.path.join(session.REPO, "build", "win64"),
                    help="build tree holding Velumix.exe and vxtool.exe (default: build/win64)")
    ap.add_argument("--exe", help="the Velumix.exe under test (default: the build tree's own)")
    ap.add_argument("--peer", help="a build tree of the other bitness: its vxtool reads inside "
                                   "processes of that bitness")
    ap.add_argument("--label", help="names the build in the summary line: e2e (LABEL): ...")
    ap.add_argument("--artifacts", default=os.path.join(session.REPO, "build", "e2e-artifacts"),
                    help="where screenshots and logs go (default: build/e2e-artifacts)")
    ap.add_argument("--require-build", action="store_true",
                    help="fail, rather than skip, tests of Velumix.exe when it is missing")
    ap.add_argument("--keep", action="store_true", help="keep the Wine prefix (VELUMIX_E2E_KEEP=1)")
    ap.add_argument("--failfast", action="store_true")
    ap.add_argument("-q", "--quiet", action="store_true")
    args = ap.parse_args(argv)

    if args.keep:
        os.environ["VELUMIX_E2E_KEEP"] = "1"
    if args.require_build:
        os.environ["VELUMIX_E2E_REQUIRE_BUILD"] = "1"
    session.configure(build=args.build, artifacts=args.artifacts, exe=args.exe, peer=args.peer)
    shutil.rmtree(os.path.join(session.artifacts_dir(), "logs"), ignore_errors=True)  # this run's only

    loader = unittest.TestLoader()
    if args.patterns:
        loader.testNamePatterns = [p if "*" in p else f"*{p}*" for p in args.patterns]
    suite = loader.discover(HERE, pattern="test_*.py", top_level_dir=HERE)
    if suite.countTestCases() == 0:
        print("e2e: no tests selected", file=sys.stderr)
        return 1

    runner = unittest.TextTestRunner(verbosity=1 if args.quiet else 2, failfast=args.failfast)
    started = time.monotonic()
    result = None
    try:
        result = runner.run(suite)
    except KeyboardInterrupt:
        print("\ne2e: interrupted", file=sys.stderr)
        return 130
    finally:
        session.shutdown()
    # a test whose subtests fail is listed once for each of them: count it once
    # (a subtest's own id names the subtest: its test_case is the test)
    failed = len({getattr(test, "test_case", test).id() for test, _ in result.failures + result.errors}) + \
        len(result.unexpectedSuccesses)
    skipped = len(result.skipped)
    passed = result.testsRun - failed - skipped
    name = f"e2e ({args.label})" if args.label else "e2e"
    print(f"{name}: {time.monotonic() - started:.1f}s, {session.velumix_exe()}, artifacts in {session.artifacts_dir()}")
    print(f"{name}: {passed} passed, {failed} failed, {skipped} skipped")
    return 0 if result.wasSuccessful() and passed > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
