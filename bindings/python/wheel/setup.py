"""The ravelcrest wheel: the module CMake built, with the library it links in
ravelcrest.libs beside it (the module looks there first). scripts/wheel puts
both, and VERSION, beside this file before the wheel is built."""
import pathlib

from setuptools import setup
from setuptools.command.build_ext import build_ext
from setuptools.dist import Distribution

HERE = pathlib.Path(__file__).resolve().parent


class BinaryDistribution(Distribution):
    """A wheel for this interpreter and platform, not a pure one."""

    def has_ext_modules(self):
        return True


class CopyBuilt(build_ext):
    """Takes the built module and library instead of compiling anything."""

    def run(self):
        modules = sorted(HERE.glob("ravelcrest.cpython-*.so"))
        libraries = sorted((HERE / "ravelcrest.libs").glob("libravelcrest*.so*"))
        if len(modules) != 1 or not libraries:
            raise SystemExit("setup.py: run scripts/wheel, which puts the built module and library here")
        out = pathlib.Path(self.build_lib)
        self.mkpath(str(out / "ravelcrest.libs"))
        self.copy_file(str(modules[0]), str(out / modules[0].name))
        for library in libraries:
            self.copy_file(str(library), str(out / "ravelcrest.libs" / library.name))


setup(
    version=(HERE / "VERSION").read_text().strip(),
    distclass=BinaryDistribution,
    cmdclass={"build_ext": CopyBuilt},
    py_modules=[],
    packages=[],
)
