// SPDX-License-Identifier: MIT
// A module for the tests to load from where they like: it only has to be a DLL.
extern "C" __declspec(dllexport) int mrfyc_test_module()
{
    return 1;
}
