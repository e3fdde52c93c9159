/* SPDX-License-Identifier: MIT */
/* Resource ids shared by the program's .rc file and the code that loads them; plain #defines so
   that the resource compiler reads this file too. */
#pragma once

/* The program icon: the lowest id, so that Explorer shows it for mrfyc.exe. */
#define MRFYC_ICON_MAIN 1
