// Placeholder until the sheet is written.
#include "wizard/wizard_sheet.h"
