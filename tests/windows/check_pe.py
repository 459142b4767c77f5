#!/usr/bin/env python3
"""Checks the shipped Windows program folder as Windows would see it.

Ringlatch_1.exe itself must carry the version block as designed, an icon
group with 32x32 and 16x16 images, and the GUI subsystem; its window must be
the DLL beside it, which only the window loads; and every DLL that
any binary in the folder imports must be in the folder or be part of Windows,
so nothing is missing on a clean Windows PC.

    check_pe.py PROGRAM_FOLDER
"""
import os
import struct
import sys
import unittest

import pefile

FOLDER = None

# DLLs every Windows 10 or later has. The MinGW-w64 C run time (msvcrt) and
# the API sets (api-ms-win-*) belong to Windows itself.
SYSTEM_DLLS = {
    "advapi32.dll", "comdlg32.dll", "crypt32.dll", "d3d11.dll", "d3d9.dll", "dwmapi.dll",
    "dwrite.dll", "dxgi.dll", "gdi32.dll", "imm32.dll", "kernel32.dll", "msvcrt.dll",
    "netapi32.dll", "ole32.dll", "oleaut32.dll", "setupapi.dll", "shcore.dll",
    "shell32.dll", "shlwapi.dll", "user32.dll", "userenv.dll", "uxtheme.dll",
    "version.dll", "winmm.dll", "ws2_32.dll", "wtsapi32.dll", "authz.dll", "mpr.dll",
    "d2d1.dll", "dcomp.dll", "ntdll.dll", "bcrypt.dll", "winspool.drv", "comctl32.dll",
}

EXPECTED_STRINGS = {
    "FileVersion": "1.00",
    "ProductVersion": "1.00",
    "ProductName": "Ringlatch_1",
    "InternalName": "Ringlatch_1",
    "OriginalFilename": "Ringlatch_1.exe",
}


def binaries(folder):
    for root, _dirs, files in os.walk(folder):
        for name in files:
            if name.lower().endswith((".exe", ".dll")):
                yield os.path.join(root, name)


def section_names(pe):
    """Section names, long ones ("/4") looked up in the COFF string table."""
    header = pe.FILE_HEADER
    strings = header.PointerToSymbolTable + 18 * header.NumberOfSymbols
    names = []
    for section in pe.sections:
        name = section.Name.rstrip(b"\0").decode()
        if name.startswith("/") and header.PointerToSymbolTable:
            start = strings + int(name[1:])
            name = pe.__data__[start:pe.__data__.find(b"\0", start)].decode()
        names.append(name)
    return names


class ProgramExecutable(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = pefile.PE(os.path.join(FOLDER, "Ringlatch_1.exe"))

    def test_gui_subsystem_64_bit(self):
        self.assertEqual(self.pe.OPTIONAL_HEADER.Subsystem,
                         pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"])
        self.assertEqual(self.pe.FILE_HEADER.Machine, pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"])

    def test_version_numbers(self):
        fixed = self.pe.VS_FIXEDFILEINFO[0]
        self.assertEqual((fixed.FileVersionMS, fixed.FileVersionLS), (0x00010000, 0))
        self.assertEqual((fixed.ProductVersionMS, fixed.ProductVersionLS), (0x00010000, 0))

    def test_version_strings(self):
        tables = {}
        for info in self.pe.FileInfo[0]:
            if info.Key == b"StringFileInfo":
                for table in info.StringTable:
                    tables[table.LangID.decode()] = {
                        k.decode(): v.decode() for k, v in table.entries.items()}
            if info.Key == b"VarFileInfo":
                translation = info.Var[0].entry[b"Translation"]
                self.assertEqual(translation, "0x0409 0x04b0")
        self.assertEqual(list(tables), ["040904B0"])
        for key, value in EXPECTED_STRINGS.items():
            self.assertEqual(tables["040904B0"].get(key), value, key)

    def test_icon_group_has_32_and_16(self):
        resources = {entry.id: entry for entry in self.pe.DIRECTORY_ENTRY_RESOURCE.entries}
        group_type = pefile.RESOURCE_TYPE["RT_GROUP_ICON"]
        self.assertIn(group_type, resources)
        group = resources[group_type].directory.entries[0].directory.entries[0].data.struct
        data = self.pe.get_data(group.OffsetToData, group.Size)
        _reserved, kind, count = struct.unpack_from("<HHH", data)
        self.assertEqual(kind, 1)
        sizes = set()
        for i in range(count):
            width, height = struct.unpack_from("<BB", data, 6 + 14 * i)
            sizes.add((width or 256, height or 256))
        self.assertTrue({(32, 32), (16, 16)} <= sizes, sizes)
        # The images the group names are in the file.
        self.assertIn(pefile.RESOURCE_TYPE["RT_ICON"], resources)


def imports(pe):
    return {entry.dll.decode().lower() for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])}


class WindowModule(unittest.TestCase):
    """The window is a DLL of its own that the program loads at run time, so
    that its command line starts without Qt Gui, Widgets and Svg."""

    def test_program_imports_no_gui_library(self):
        program = imports(pefile.PE(os.path.join(FOLDER, "Ringlatch_1.exe")))
        self.assertIn("qt6core.dll", program)
        self.assertEqual(program & {"qt6gui.dll", "qt6widgets.dll", "qt6svg.dll"}, set())

    def test_window_module_exports_its_entry_point(self):
        module = pefile.PE(os.path.join(FOLDER, "ringlatch-window.dll"))
        self.assertIn("qt6widgets.dll", imports(module))
        exported = [symbol.name.decode() for symbol in module.DIRECTORY_ENTRY_EXPORT.symbols
                    if symbol.name]
        self.assertIn("ringlatch_window_main", exported)


class ProgramFolder(unittest.TestCase):
    def test_every_import_is_shipped_or_part_of_windows(self):
        shipped = {name.lower() for name in os.listdir(FOLDER)}
        missing = []
        for path in binaries(FOLDER):
            pe = pefile.PE(path, fast_load=True)
            pe.parse_data_directories(directories=[
                pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"],
                pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT"]])
            entries = getattr(pe, "DIRECTORY_ENTRY_IMPORT", []) + \
                getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])
            for entry in entries:
                dll = entry.dll.decode().lower()
                if dll in shipped or dll in SYSTEM_DLLS or dll.startswith(("api-ms-win-", "ext-ms-")):
                    continue
                missing.append(f"{os.path.relpath(path, FOLDER)} needs {dll}")
        self.assertEqual(missing, [])

    def test_platform_plugin_and_runtime_are_there(self):
        for name in ("platforms/qwindows.dll", "Qt6Core.dll", "Qt6SerialPort.dll",
                     "libstdc++-6.dll", "libgcc_s_seh-1.dll", "libwinpthread-1.dll"):
            self.assertTrue(os.path.isfile(os.path.join(FOLDER, name)), name)

    def test_binaries_are_stripped(self):
        for path in binaries(FOLDER):
            names = section_names(pefile.PE(path, fast_load=True))
            self.assertFalse([n for n in names if n.startswith(".debug")], f"{path} is not stripped")


if __name__ == "__main__":
    FOLDER = sys.argv.pop(1)
    unittest.main(verbosity=2)
