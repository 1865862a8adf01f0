"""What the pyvisa suites share: the library under test, and a scenario file in force for
each test class (its SCENARIO), with one resource manager on it.

The library is SFP_VISA_LIBRARY, or the first argument of the suite's command line.
"""
import os
import sys
import tempfile
import unittest

import pyvisa


def library():
    return os.environ.get("SFP_VISA_LIBRARY", "")


class ScenarioCase(unittest.TestCase):
    SCENARIO = ""

    @classmethod
    def setUpClass(cls):
        handle, cls.path = tempfile.mkstemp(suffix=".yaml")
        with os.fdopen(handle, "w") as out:
            out.write(cls.SCENARIO)
        os.environ["SFP_SIM_SCENARIO"] = cls.path
        cls.rm = pyvisa.ResourceManager(library())

    @classmethod
    def tearDownClass(cls):
        cls.rm.close()
        os.unlink(cls.path)


def main(suite):
    """Runs the suite's tests; an argument that names no test is the library."""
    if len(sys.argv) > 1 and not sys.argv[1].startswith(suite):
        os.environ["SFP_VISA_LIBRARY"] = sys.argv.pop(1)
    unittest.main()
