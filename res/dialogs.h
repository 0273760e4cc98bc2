// The program's dialog templates, for the resource table and for checks.
#ifndef KORVAN_RES_DIALOGS_H
#define KORVAN_RES_DIALOGS_H

#include "framework/resources.h"

extern const win::DialogTemplate kDialogTemplates[2];

#endif  // KORVAN_RES_DIALOGS_H
