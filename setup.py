"""Builds the extension with the project's CMake build and ships the data files beside it."""

import os
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = os.path.dirname(os.path.abspath(__file__))


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        # KINETARIUM_BUILD_DIR: an existing build folder of the project to build in (and reuse).
        build = os.environ.get("KINETARIUM_BUILD_DIR") or os.path.join(self.build_temp, "cmake")
        build = os.path.abspath(build)
        jobs = os.environ.get("KINETARIUM_BUILD_JOBS", "2")
        configure = ["cmake", "-S", ROOT, "-B", build, "-DPython3_EXECUTABLE=" + sys.executable]
        if not os.path.exists(os.path.join(build, "CMakeCache.txt")):
            configure += ["-DKINETARIUM_TESTS=OFF", "-DKINETARIUM_BENCH=OFF"]
            if shutil.which("ccache"):
                configure.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
        subprocess.run(configure, check=True)
        subprocess.run(["cmake", "--build", build, "--target", "_kinetarium", "-j", jobs], check=True)
        built = os.path.join(build, "python", "kinetarium")
        library = next(name for name in os.listdir(built) if name.startswith("_kinetarium") and name.endswith(".so"))
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy2(os.path.join(built, library), target)
        # The package finds its data in its own folder.
        package = os.path.dirname(target)
        shutil.copytree(os.path.join(build, "media"), os.path.join(package, "media"), dirs_exist_ok=True)
        with open(os.path.join(package, "_paths.py"), "w") as f:
            f.write('MEDIA_FOLDER = "media"\n')


setup(
    packages=["kinetarium"],
    package_dir={"": "python"},
    ext_modules=[Extension("kinetarium._kinetarium", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
)
