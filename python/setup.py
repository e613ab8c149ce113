"""Everything but one case is in pyproject.toml: a wheel that carries the
library (staged beside the package by the python_wheel target) holds machine
code, so it is tagged for the library's platform instead of for any."""
import os

from setuptools import setup

HERE = os.path.dirname(os.path.abspath(__file__))
BUNDLED = any(os.path.exists(os.path.join(HERE, "quillet", name))
              for name in ("libquillet.so.0", "quillet.dll"))

commands = {}
if BUNDLED:
    from wheel.bdist_wheel import bdist_wheel

    class PlatformWheel(bdist_wheel):
        """py3-none-<platform>: any Python 3, no extension module, one platform
        (QUILLET_WHEEL_PLATFORM, for a library built for another machine, or
        this one's)."""

        def finalize_options(self):
            super().finalize_options()
            self.root_is_pure = False

        def get_tag(self):
            platform = os.environ.get("QUILLET_WHEEL_PLATFORM") or super().get_tag()[2]
            return "py3", "none", platform

    commands["bdist_wheel"] = PlatformWheel

setup(cmdclass=commands)
