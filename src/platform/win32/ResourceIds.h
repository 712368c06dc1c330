/* Resource ids shared by talvoro.rc and the code that loads them. */
#pragma once

#define IDI_TALVORO 1
#define IDB_BASKET 2
// The basket picture drawn for larger screen scales: 125 %, 150 % and 200 %.
#define IDB_BASKET_48 3
#define IDB_BASKET_57 4
#define IDB_BASKET_76 5
// Of type CUSTOM: the speech runtime (carried only when the build is given one) and the manual.
#define IDR_SAPI_RUNTIME 101
#define IDR_MANUAL 102
