// An input widget that starts from the value the user left in an earlier run
// and writes its value back when it is destroyed, if its persist flag is set.
//
// The settings key is group + "/" + key name with every space and hyphen
// removed ("EdgeDetectionOptions/Edge Contrast" and "High" give
// "EdgeDetectionOptions/EdgeContrast/High"); it is the widget's object name
// too. The stored value (or the default when there is none) is read whether
// or not the flag is set; nothing is written before the destructor.
//
// Owners set the flag when they are built and again in their own destructors,
// before their controls go, so that the preference in force at exit decides.
//
// Five instances:
//   PersistentWidget<QSlider, int>, PersistentWidget<QSpinBox, int>
//       setRange(v, v) then setValue(v): the owner's later setRange keeps v,
//       held inside the owner's range, instead of clipping it to the
//       widget's initial range;
//   PersistentWidget<QComboBox, QString>  v inserted at index 0 and selected;
//   PersistentWidget<QRadioButton, bool>, PersistentWidget<QCheckBox, bool>
//       setChecked(v).
// A stored int or bool that does not read as one gives 0 or false.
#ifndef APP_PANELS_PERSISTENT_WIDGET_H
#define APP_PANELS_PERSISTENT_WIDGET_H

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QString>
#include <QVariant>

// How an instance shows a stored value and gives its value back.
template <typename W, typename T> struct PersistentWidgetValue;

template <typename W, typename T> class PersistentWidget : public W {
public:
    PersistentWidget(const QString& group, const QString& keyName, const T& defaultValue,
                     bool persist, QWidget* parent = nullptr);
    ~PersistentWidget() override;

    bool persist() const { return persist_; }
    void setPersist(bool persist) { persist_ = persist; }
    QString keyName() const { return keyName_; }
    QString settingsKey() const { return settingsKey_; }

private:
    bool persist_;
    QString keyName_;
    QString settingsKey_;
};

// group + "/" + key name, with every space and hyphen removed.
QString persistentWidgetKey(const QString& group, const QString& keyName);

namespace persistent_widget_detail {
// The stored value of `key`, `defaultValue` when there is none.
int storedInt(const QString& key, int defaultValue);
bool storedBool(const QString& key, bool defaultValue);
QString storedString(const QString& key, const QString& defaultValue);
void storeValue(const QString& key, const QVariant& value);
} // namespace persistent_widget_detail

template <> struct PersistentWidgetValue<QSlider, int> {
    static int read(const QString& key, int fallback) {
        return persistent_widget_detail::storedInt(key, fallback);
    }
    static void show(QSlider& w, int v) {
        w.setRange(v, v);
        w.setValue(v);
    }
    static int value(const QSlider& w) { return w.value(); }
};

template <> struct PersistentWidgetValue<QSpinBox, int> {
    static int read(const QString& key, int fallback) {
        return persistent_widget_detail::storedInt(key, fallback);
    }
    static void show(QSpinBox& w, int v) {
        w.setRange(v, v);
        w.setValue(v);
    }
    static int value(const QSpinBox& w) { return w.value(); }
};

template <> struct PersistentWidgetValue<QComboBox, QString> {
    static QString read(const QString& key, const QString& fallback) {
        return persistent_widget_detail::storedString(key, fallback);
    }
    static void show(QComboBox& w, const QString& v) {
        w.insertItem(0, v);
        w.setCurrentIndex(0);
    }
    static QString value(const QComboBox& w) { return w.currentText(); }
};

template <> struct PersistentWidgetValue<QRadioButton, bool> {
    static bool read(const QString& key, bool fallback) {
        return persistent_widget_detail::storedBool(key, fallback);
    }
    static void show(QRadioButton& w, bool v) { w.setChecked(v); }
    static bool value(const QRadioButton& w) { return w.isChecked(); }
};

template <> struct PersistentWidgetValue<QCheckBox, bool> {
    static bool read(const QString& key, bool fallback) {
        return persistent_widget_detail::storedBool(key, fallback);
    }
    static void show(QCheckBox& w, bool v) { w.setChecked(v); }
    static bool value(const QCheckBox& w) { return w.isChecked(); }
};

template <typename W, typename T>
PersistentWidget<W, T>::PersistentWidget(const QString& group, const QString& keyName,
                                         const T& defaultValue, bool persist, QWidget* parent)
    : W(parent), persist_(persist), keyName_(keyName),
      settingsKey_(persistentWidgetKey(group, keyName)) {
    this->setObjectName(settingsKey_);
    PersistentWidgetValue<W, T>::show(
        *this, PersistentWidgetValue<W, T>::read(settingsKey_, defaultValue));
}

template <typename W, typename T> PersistentWidget<W, T>::~PersistentWidget() {
    if (persist_)
        persistent_widget_detail::storeValue(
            settingsKey_, QVariant::fromValue(PersistentWidgetValue<W, T>::value(*this)));
}

extern template class PersistentWidget<QSlider, int>;
extern template class PersistentWidget<QSpinBox, int>;
extern template class PersistentWidget<QComboBox, QString>;
extern template class PersistentWidget<QRadioButton, bool>;
extern template class PersistentWidget<QCheckBox, bool>;

#endif
