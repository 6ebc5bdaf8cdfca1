// The about box: the distributor's logo (or the information icon), the
// product name, the distributor's text and the version. From the Help menu
// one modeless box is made on first use and brought to the front on every
// later use; from the command line ("--about") it is shown modally, before
// the application object exists.
#ifndef APP_SHELL_ABOUT_BOX_H
#define APP_SHELL_ABOUT_BOX_H

#include <QImage>
#include <QString>

class QDialog;
class QWidget;

// The widest logo the box shows; wider ones are scaled down to it.
constexpr int kAboutBoxLogoWidth = 200;
// The widest the text runs before it wraps.
constexpr int kAboutBoxTextWidth = 280;

// A new about box (not shown) with this distributor text and logo; a null
// logo shows the information icon. The logo label is named "logo", the text
// label "text".
QDialog* createAboutBox(QWidget* parent, const QString& aboutText, const QImage& logo);

// Shows the one about box of the process (the distributor's customisation),
// building it when there is none (also after it was destroyed), and brings it
// to the front. Answers the box.
QDialog* showAboutBox(QWidget* parent);

// Destroys the box showAboutBox made, if it is still there.
void deleteAboutBox();

// The "--about" command: shows a box of its own modally, with a close button,
// and answers 0 when it is closed. When no application object exists yet, a
// temporary one is made for the box and destroyed after it.
int showAboutBoxFromCommandLine();

#endif
