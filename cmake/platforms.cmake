# SPDX-License-Identifier: MIT
# The platforms mrfyc builds for and, for each, the folder every layer keeps that platform's code
# in: the system's calls in files/ and tools/, the toolkit's in shell/, ui/ and app/; tests/
# mirrors them. The root CMakeLists.txt picks the platform, scripts/check_layers.sh reads the
# folders from here: one "MRFYC_FOLDERS_<platform> layer=folder..." line each.
set(MRFYC_PLATFORMS linux win32)
set(MRFYC_FOLDERS_linux files=linux tools=linux shell=qt ui=qt app=qt)
set(MRFYC_FOLDERS_win32 files=win32 tools=win32 shell=win32 ui=win32 app=win32)
