// One option value that remembers four things: what the user is editing
// (current), what was last handed to the engine (applied), its default, and a
// saved copy of applied so that a failed or cancelled apply can be rolled back.
//
//   edit      current  := v
//   apply     applied  := current       (then the engine runs)
//   store     saved    := applied       (before an apply)
//   restore   applied  := saved         (the run failed or was cancelled)
//   revert    current  := applied
//   default   current  := default
//
// GmValueB is the interface a set of values of different types is walked
// through; GmValue<int> is the one value type the program uses.
#ifndef APP_MODEL_GM_VALUE_H
#define APP_MODEL_GM_VALUE_H

#include <QVariant>
#include <QVariantList>
#include <QtGlobal>

class GmValueB {
public:
    virtual ~GmValueB() = default;
    // current differs from applied
    virtual bool isEdited() const = 0;
    // current differs from default
    virtual bool isNonDefault() const = 0;
    virtual void apply() = 0;
    virtual void store() = 0;
    virtual void restore() = 0;
    virtual void revert() = 0;
    virtual void setToDefault() = 0;
    // applied := other's applied; `other` must be a value of the same type
    // (a value of another type is refused and nothing changes).
    virtual void copyAppliedFrom(const GmValueB& other) = 0;
};

template <typename T> class GmValue : public GmValueB {
public:
    // All four slots hold `value`.
    explicit GmValue(const T& value = T())
        : current_(value), applied_(value), default_(value), saved_(value) {}

    // From the project form: a list of current, applied, default and saved.
    // Slots the list lacks (a short list, or no list at all) take `missing`;
    // an element that does not convert to T gives T's zero.
    explicit GmValue(const QVariant& list, const T& missing) : GmValue(missing) {
        const QVariantList entries = list.toList();
        T* const fields[] = {&current_, &applied_, &default_, &saved_};
        const int n = qMin(entries.size(), 4);
        for (int i = 0; i < n; ++i)
            *fields[i] = entries.at(i).value<T>();
    }

    // The project form: always four elements, current, applied, default, saved.
    QVariant toVariant() const {
        return QVariantList{QVariant::fromValue(current_), QVariant::fromValue(applied_),
                            QVariant::fromValue(default_), QVariant::fromValue(saved_)};
    }

    const T& current() const { return current_; }
    const T& applied() const { return applied_; }
    const T& defaultValue() const { return default_; }
    const T& saved() const { return saved_; }
    void setCurrent(const T& value) { current_ = value; }
    void setDefaultValue(const T& value) { default_ = value; }

    // Copies all four slots.
    void copySlotsFrom(const GmValue& other) {
        current_ = other.current_;
        applied_ = other.applied_;
        default_ = other.default_;
        saved_ = other.saved_;
    }

    bool isEdited() const override { return current_ != applied_; }
    bool isNonDefault() const override { return current_ != default_; }
    void apply() override { applied_ = current_; }
    void store() override { saved_ = applied_; }
    void restore() override { applied_ = saved_; }
    void revert() override { current_ = applied_; }
    void setToDefault() override { current_ = default_; }
    void copyAppliedFrom(const GmValueB& other) override {
        if (const auto* same = dynamic_cast<const GmValue*>(&other)) applied_ = same->applied_;
    }

private:
    T current_;
    T applied_;
    T default_;
    T saved_;
};

#endif
