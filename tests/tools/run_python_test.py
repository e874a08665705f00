#!/usr/bin/python3
"""Runs one importer test module for CTest: exit 77 (skipped) when fontTools is missing or every
case of the module skipped itself, 1 on any failure."""

import importlib
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

try:
    import fontTools  # noqa: F401
except ImportError:
    print(f"skipped: fontTools is not installed for {sys.executable} (Debian: python3-fonttools)")
    sys.exit(77)

suite = unittest.defaultTestLoader.loadTestsFromModule(importlib.import_module(sys.argv[1]))
result = unittest.TextTestRunner(verbosity=2).run(suite)
if not result.wasSuccessful():
    sys.exit(1)
sys.exit(77 if result.testsRun and len(result.skipped) == result.testsRun else 0)
