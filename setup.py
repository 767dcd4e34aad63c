"""Builds the extension module with the project's CMake build and hands it to setuptools.

The build directory is build-python/ in the checkout (PELLISOR_BUILD_DIR names another, such as a build
the test command configured already); it is configured once and then only brought up to date.
"""

import os
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent
BUILD = Path(os.environ.get("PELLISOR_BUILD_DIR", ROOT / "build-python"))


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        if not (BUILD / "CMakeCache.txt").exists():
            subprocess.run(
                ["cmake", "-S", str(ROOT), "-B", str(BUILD), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                 "-DPELLISOR_BUILD_PYTHON=ON", f"-DPython_EXECUTABLE={sys.executable}"],
                check=True)
        subprocess.run(["cmake", "--build", str(BUILD), "--target", "pellisor_python", "-j", str(os.cpu_count() or 1)],
                       check=True)
        built = sorted((BUILD / "python").glob("pellisor*.so"))
        if not built:
            raise RuntimeError(f"the build in {BUILD} made no module")
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(built[0], target)


# setuptools' own files go beside the CMake build, not into the checkout's build/ of the program.
(ROOT / "build-python").mkdir(exist_ok=True)
setup(
    ext_modules=[Extension("pellisor", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": str(ROOT / "build-python" / "setuptools")},
             "egg_info": {"egg_base": str(ROOT / "build-python")}},
    zip_safe=False,
)
