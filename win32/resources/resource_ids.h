/* The program's resources, shared by the resource script and the code. */
#pragma once

/* The program icon: 16, 32 and 48 pixels. */
#define PW_PROGRAM_ICON 104
