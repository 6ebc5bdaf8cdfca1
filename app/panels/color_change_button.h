// The button that shows a colour's swatch and opens its colour dialog: a tool
// button without focus showing the colour's change action. It is made once
// per colour and handed to the colour, which keeps it for the next dialog and
// deletes it with itself; whoever lays it out must take it back out (parent
// null) before the layout's widget goes.
#ifndef APP_PANELS_COLOR_CHANGE_BUTTON_H
#define APP_PANELS_COLOR_CHANGE_BUTTON_H

class GmColor;
class QToolButton;

// The colour's change button, made on first use.
QToolButton* colorChangeButton(GmColor& color);

#endif
