/* Resource ids shared by talvoro.rc and the code that loads them. */
#pragma once

#define IDI_TALVORO 1
#define IDB_BASKET 2
