// Placeholder until the sheet is written.
#pragma once
