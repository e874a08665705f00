"""Turns OpenType/TrueType files of one family (one file per master) into a Zelvar JSON font."""
