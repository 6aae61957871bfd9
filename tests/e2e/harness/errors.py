"""The harness's own errors."""


class HarnessError(Exception):
    pass


class VxError(HarnessError):
    """vxtool failed: code 1 failure, 2 usage, 3 nothing found, 4 not supported."""

    def __init__(self, code, message, args=()):
        super().__init__(f"vxtool {' '.join(map(str, args))}: exit {code}: {message}")
        self.code = code
        self.message = message
