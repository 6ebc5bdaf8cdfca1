// The colour dialog's custom colours (the user's own palette) kept in the
// settings under "Colors/NumCustomColors" (the count) and
// "Colors/CustomColor<i>" (one QColor each), and handed to the dialog through
// the prompt service.
#ifndef APP_MODEL_COLOR_DIALOG_PALETTE_H
#define APP_MODEL_COLOR_DIALOG_PALETTE_H

// Gives the dialog the stored entries, as many as both the dialog and the
// settings hold. An entry that is missing or unreadable becomes black (an
// unsigned RGB number is read too).
void restoreColorDialogPalette();

// Writes the dialog's count and every entry.
void saveColorDialogPalette();

#endif
