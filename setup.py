"""Builds the module with the project's CMake build (target zentrola_python) for `pip install .`."""
import glob
import os
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = os.path.dirname(os.path.abspath(__file__))
PARAMETER_FILES = ["data/rna_turner2004.par", "data/rna_turner1999.par", "data/rna_andronescu2007.par",
                   "data/rna_langdon2018.par"]


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = os.path.abspath(os.path.join(self.build_temp, "cmake"))
        subprocess.run(["cmake", "-S", ROOT, "-B", build, "-DZENTROLA_TESTS=OFF", "-DZENTROLA_BENCH=OFF",
                        "-DPython3_EXECUTABLE=" + sys.executable], check=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(os.cpu_count() or 1))
        subprocess.run(["cmake", "--build", build, "-j", jobs, "--target", "zentrola_python"], check=True)
        built = glob.glob(os.path.join(build, "python", "zentrola*.so"))
        if len(built) != 1:
            sys.exit("the CMake build made %d modules in %s/python" % (len(built), build))
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(built[0], target)


setup(ext_modules=[Extension("zentrola", sources=[])], cmdclass={"build_ext": CMakeBuild},
      data_files=[("share/zentrola", PARAMETER_FILES)])
