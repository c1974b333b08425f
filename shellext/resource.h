// Resource ids of Vexil.dll.
#pragma once

#define IDS_PROJNAME    100   // "Vexil"
#define IDB_MENU_IMAGE  145   // the menu item's 14 x 14, 16-colour image
