// A named colour the user can change: the seven preference colours and the
// override colours of blending. It has a current colour, a default, and a
// committed colour to go back to when the user cancels a dialog.
//
// A persistent colour (persist 1) starts from the user's settings, under
// "Colors/" + key name (a QColor) and the same key followed by "_red",
// "_green" and "_blue" (ints), and writes those keys when it is destroyed.
// A colour read from a project, or copied from another, never writes the
// settings: a file's key name must not reach the user's settings.
//
// The colour dialog is asked for through the prompt service. The model makes
// no widgets: the change action lives here (Qt 5 keeps QAction in its widget
// library), the change button is made on the panels' side
// (panels/color_change_button.h) and handed to the colour, which keeps it for
// the next time and deletes it with itself.
#ifndef APP_MODEL_GM_COLOR_H
#define APP_MODEL_GM_COLOR_H

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

class QAction;
class QWidget;

class GmColor : public QObject {
    Q_OBJECT
public:
    // default := `defaultColor`. A persistent colour (persist 1) reads current
    // from the settings, any other starts at the default; committed := current.
    GmColor(const QColor& defaultColor, const QString& keyName, const QString& description,
            int persist, QObject* parent = nullptr);
    // From the project map ("qColor_", "default_", "keyname_", "desc_",
    // "persist_"); committed := default. A colour value that is missing or
    // unreadable gives black for the default and the default for current.
    explicit GmColor(const QVariant& map, QObject* parent = nullptr);
    ~GmColor() override;

    // A colour with the same values that does not write the settings.
    std::unique_ptr<GmColor> clone() const;

    // The project map.
    QVariant toVariant() const;

    QColor color() const { return current_; }
    // current := `color` (a colour picked from the image); the swatches
    // repaint and colorChanged tells.
    void setColor(const QColor& color) { setCurrentAndTell(color); }
    QColor defaultColor() const { return default_; }
    QColor committedColor() const { return committed_; }
    QString keyName() const { return keyName_; }
    QString description() const { return description_; }
    int persist() const { return persist_; }
    // Whether destroying this colour writes it to the settings.
    bool writesSettings() const { return writesSettings_; }

    // "Change <description> color", with a 32 x 32 swatch; made on first use,
    // owned by the colour; triggering it runs changeColorSlot().
    QAction* changeAction();
    // The change button made for this colour (null until one is set, or
    // after it was deleted). The colour deletes it when it is destroyed.
    QObject* changeButton() const { return changeButton_; }
    void setChangeButton(QObject* button);
    // The text of the change action and tool tip of the change button.
    QString changeText() const;
    // Repaints the swatch of the change action (and so of the button showing it).
    void updateIcons();

    // Where the main window shows "Select <description> color" while the
    // colour dialog is open; an empty text clears the message.
    static void setStatusMessageHook(std::function<void(const QString&)> hook);
    // The window that parents the colour dialog (the main window).
    static void setDialogParentHook(std::function<QWidget*()> hook);

signals:
    void colorChanged(QColor color);

public slots:
    // current := default
    void restoreDefaultSlot();
    // current := committed
    void revertChangeSlot();
    // committed := current
    void commitChangeSlot();
    // Lets the user pick the colour in the colour dialog.
    void changeColorSlot();

private:
    struct Copy {};
    GmColor(Copy, const GmColor& other);
    void setCurrentAndTell(const QColor& color);

    QColor current_;
    QColor default_;
    QColor committed_;
    QString keyName_;
    QString description_;
    QAction* changeAction_ = nullptr;
    QPointer<QObject> changeButton_;
    int persist_ = 0;
    bool writesSettings_ = false;
};

#endif
