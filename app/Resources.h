#pragma once
// Resource identifiers of korvexa.exe (shared with app/res/korvexa.rc).

#define IDI_KORVEXA 1
#define IDB_TITLE 100
