"""Everything but one case is in pyproject.toml: a wheel that carries the
library (staged beside the package by the python_wheel target) holds machine
code, so it is built as a platform wheel and tagged py3-none-<platform>: any
Python 3, no extension module, the library's platform."""
import os

from setuptools import Distribution, setup

HERE = os.path.dirname(os.path.abspath(__file__))
BUNDLED = any(os.path.exists(os.path.join(HERE, "quillet", name))
              for name in ("libquillet.so.0", "quillet.dll"))

options = {}
if BUNDLED:
    from wheel.bdist_wheel import bdist_wheel

    class BinaryDistribution(Distribution):
        def has_ext_modules(self):
            return True

    class PlatformWheel(bdist_wheel):
        def get_tag(self):
            # QUILLET_WHEEL_PLATFORM names the platform of a library built for
            # another machine (the Windows DLLs); else this machine's.
            platform = os.environ.get("QUILLET_WHEEL_PLATFORM") or super().get_tag()[2]
            return "py3", "none", platform

    options = {"distclass": BinaryDistribution, "cmdclass": {"bdist_wheel": PlatformWheel}}

setup(**options)
