// A session's named engine variables: the tuning values of the edge analysis,
// the object-edge polylines and mask generation.
//
// Each variable has a typed value, a range, a linear or logarithmic scale that
// maps the range onto a normalised value in [0, 1], optional names for its
// integer values, a remembered value that marks changes, and a text form. The
// application sees them as the table's array of VkVariable records and sets
// them by name with normalised values.
//
// In Variable<T, U>, T is the type of the value the variable reports and U the
// type it stores and keeps its range in. The three computed variables
// (VarRfSpacing, VarSmoothing, VarColourBits / VarMaxColourBits) report a value
// derived from their own value field and from other variables of their table.
#ifndef VARDEK_API_VARIABLES_H
#define VARDEK_API_VARIABLES_H

#include "api/vardek.h"

#include <cmath>
#include <cstddef>
#include <initializer_list>
#include <limits>
#include <locale>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace vardek {

class Variables;

namespace detail {

// Converts a number to V. Integers truncate toward zero and saturate at the
// limits of V, and NaN gives 0: a value set from outside (extrapolated far
// beyond its range) must never make the conversion undefined.
template <typename V, typename S> V convert(S x) {
    if constexpr (std::is_integral_v<V> && std::is_floating_point_v<S>) {
        if (std::isnan(x)) return 0;
        if (x <= static_cast<S>(std::numeric_limits<V>::lowest()))
            return std::numeric_limits<V>::lowest();
        if (x >= static_cast<S>(std::numeric_limits<V>::max()))
            return std::numeric_limits<V>::max();
        return static_cast<V>(x);
    } else {
        return static_cast<V>(x);
    }
}

// A number in the standard stream's default formatting, independent of the global locale.
template <typename V> std::string decimal(V v) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << v;
    return out.str();
}

} // namespace detail

class VariableBase {
public:
    VariableBase() = default;
    VariableBase(const VariableBase&) = delete;
    VariableBase& operator=(const VariableBase&) = delete;
    virtual ~VariableBase() = default;

    // The value on the variable's scale; not clamped, so values outside the range give
    // results outside [0, 1].
    virtual float normalised() const = 0;
    // Sets the value from a normalised one; values outside [0, 1] extrapolate the scale.
    virtual void setNormalised(float x) = 0;
    virtual std::string toString() const = 0;
    // Remembers the reported value.
    virtual void remember() = 0;
    // True when the reported value differs from the remembered one.
    virtual bool changed() const = 0;
    // Writes "remembered, reported".
    virtual void print(std::ostream& out) const = 0;

    // The table the variable is registered in (null before registration).
    Variables* owner() const { return owner_; }

private:
    friend class Variables;
    Variables* owner_ = nullptr;
};

template <typename T> class VariableBaseT : public VariableBase {
public:
    // The reported value.
    virtual T value() const = 0;

    void remember() override { stored_ = value(); }
    bool changed() const override { return value() != stored_; }
    void print(std::ostream& out) const override { out << stored_ << ", " << value(); }

    T stored() const { return stored_; }

protected:
    T stored_{};
};

template <typename T, typename U> class Variable : public VariableBaseT<T> {
public:
    Variable(U minimum, U maximum) : minimum_(minimum), maximum_(maximum) {}

    float normalised() const override { return static_cast<float>(value_); }
    void setNormalised(float x) override { value_ = detail::convert<U>(x); }
    std::string toString() const override { return detail::decimal(this->value()); }
    T value() const override { return detail::convert<T>(value_); }

    // The variable's own value field (for a computed variable, the input of its computation).
    U field() const { return value_; }
    void set(U v) { value_ = v; }

protected:
    U value_{};
    U minimum_;
    U maximum_;
};

template <typename T, typename U> class VarScaled : public Variable<T, U> {
public:
    using Variable<T, U>::Variable;

    // (value - min) / (max - min)
    float normalised() const override {
        return (static_cast<float>(this->value_) - static_cast<float>(this->minimum_)) / span();
    }
    // float: value := (max - min) x + min; integer: value := floor((max - min) x + 0.5) + min
    void setNormalised(float x) override {
        if constexpr (std::is_integral_v<U>) {
            const double steps = std::floor(span() * x + 0.5f);
            this->value_ = detail::convert<U>(steps + static_cast<double>(this->minimum_));
        } else {
            this->value_ = span() * x + this->minimum_;
        }
    }

protected:
    float span() const {
        return static_cast<float>(this->maximum_) - static_cast<float>(this->minimum_);
    }
};

// A logarithmic scale; the range fields hold the natural logarithms of its ends.
template <typename T, typename U> class VarLogScale : public VarScaled<T, U> {
public:
    VarLogScale(U minimum, U maximum) : VarScaled<T, U>(std::log(minimum), std::log(maximum)) {}

    // (ln value - ln min) / (ln max - ln min)
    float normalised() const override {
        return (std::log(this->value_) - this->minimum_) / (this->maximum_ - this->minimum_);
    }
    // value := exp((ln max - ln min) x + ln min)
    void setNormalised(float x) override {
        this->value_ = std::exp((this->maximum_ - this->minimum_) * x + this->minimum_);
    }
};

// Names for some integer values; the text reads "1=medium" for a value that has one.
template <typename V, typename S> class MeaningMap : public V {
public:
    // The meanings are numbered 0, 1, 2, ... in the order given.
    template <typename U>
    MeaningMap(U minimum, U maximum, std::initializer_list<S> meanings) : V(minimum, maximum) {
        int number = 0;
        for (const S& meaning : meanings)
            meanings_.emplace(number++, meaning);
    }

    // The number of named values, 0 to count - 1.
    std::size_t meaningCount() const { return meanings_.size(); }

    std::string toString() const override {
        std::string text = V::toString();
        const auto found = meanings_.find(static_cast<long long>(this->value()));
        if (found != meanings_.end()) text += "=" + found->second;
        return text;
    }

private:
    std::map<long long, S> meanings_;
};

// "#resolution": the analysis' sample spacing, which grows with the in-focus
// edge width W and the texture filter T: ceil(W v 2^(T / 2)), at least 2.
class VarRfSpacing : public VarLogScale<float, float> {
public:
    using VarLogScale<float, float>::VarLogScale;
    float value() const override;
};

// "#texture": the texture smoothing radius, 0 ("Off") when the value field is
// below 1, otherwise ceil(W v 2^(T - 1/2)) - 1, at least 1.
class VarSmoothing : public VarLogScale<int, float> {
public:
    using VarLogScale<int, float>::VarLogScale;
    int value() const override;
    // "Off" for radius 0, otherwise the radius plus one.
    std::string toString() const override;
};

// "#colourBits": bits per colour channel of the colour classifier, lowered by
// the edge contrast C: v - C + 1, at most 8, and 0 when below 1.
class VarColourBits : public VarScaled<int, int> {
public:
    using VarScaled<int, int>::VarScaled;
    int value() const override;
};

// "#maxBits": the same computation for the classifier's largest bit count.
class VarMaxColourBits : public VarScaled<int, int> {
public:
    using VarScaled<int, int>::VarScaled;
    int value() const override;
};

using VarChoice = MeaningMap<VarScaled<int, int>, std::string>;

// The table of a session's variables, with the VkVariable records the
// application reads. Records and names stay at fixed addresses for the table's
// life, so the table can be neither copied nor moved.
class Variables {
public:
    // Raised when a name is not in the table.
    struct VariableNotFound {};

    // Registers the named variables in their fixed order, applies the defaults for
    // size 1024 and remembers them; every record then holds its value and text.
    Variables();
    Variables(const Variables&) = delete;
    Variables& operator=(const Variables&) = delete;

    std::size_t size() const { return entries_.size(); }
    // The index of a name; raises VariableNotFound for an unknown (or null) name.
    std::size_t indexOf(const char* name) const;
    VariableBase& variable(std::size_t index) { return *entries_.at(index).variable; }
    const VariableBase& variable(std::size_t index) const { return *entries_.at(index).variable; }

    // The records, one per variable in registration order.
    VkVariable* records() { return records_.data(); }
    const VkVariable& record(std::size_t index) const { return records_.at(index); }
    // The record of a name; raises VariableNotFound.
    const VkVariable& record(const char* name) const { return records_[indexOf(name)]; }

    // Sets a variable by name from a normalised value, applied as given: its
    // record's value := value, then the variable's setNormalised. Raises
    // VariableNotFound for an unknown name. A value that is not a finite number
    // is refused: nothing changes and the answer is false.
    bool setByName(const char* name, float value);

    // Defaults for an image whose longer side is `size` pixels.
    void applyDefaults(int size);
    // Every entry's saved value := its normalised value clamped to [0, 1]; then
    // every variable remembers its value.
    void rememberAll();
    // Every record's value := its variable's normalised value clamped to [0, 1].
    void refreshValues();
    // Every record's text := the variable's text, "*" appended when it changed.
    void refreshTexts();
    // Returns every variable to its value at the last rememberAll (after a
    // cancelled or failed analysis); the caller remembers all again afterwards.
    void rollBack();

    // The range of "inFocusEdgeWidth", in pixels.
    static constexpr float kEdgeWidthMinimum = 1.0f;
    static constexpr float kEdgeWidthMaximum = 32.0f;

    // The variables. Who reads them takes the typed members directly.
    VarLogScale<float, float> imageTol{1.0f, 4.0f};
    VarLogScale<int, float> inFocusEdgeWidth{kEdgeWidthMinimum, kEdgeWidthMaximum};
    VarChoice edgeContrast{0, 2, {"low", "medium", "high"}};
    VarChoice textureFilter{0, 2, {"fine", "medium", "coarse"}};
    VarChoice interpolation{0, 3, {"range", "range fast", "median", "median fast"}};
    VarRfSpacing resolution{1.0f, 5.656854249f}; // 1 to 2^2.5
    VarSmoothing texture{0.9f, 8.0f};
    VarColourBits colourBits{0, 8};
    VarMaxColourBits maxBits{0, 11};
    VarLogScale<float, float> featureTol{1.0f, 2.0f};
    VarScaled<float, float> focus{0.0f, 4.0f};
    VarScaled<int, int> overlap{0, 3};
    VarScaled<float, float> tPercent{0.0f, 0.5f};
    VarScaled<int, int> bSmooth{0, 100};
    VarScaled<int, int> bCareful{0, 50};
    VarScaled<int, int> bGreedy{0, 50};
    VarScaled<int, int> vMdPt{0, 10};
    VarScaled<float, float> vSmplf{0.0f, 2.0f};
    VarScaled<float, float> vSmth{0.0f, 2.0f};
    VarChoice blendMode{0, 2, {"octaves", "membrane", "bp"}};
    VarChoice fgSampling{0, 1, {"global", "both"}};
    VarChoice bgSampling{0, 1, {"global", "both"}};

private:
    struct Entry {
        VariableBase* variable;
        std::string text; // the current text of the record
        float saved;      // normalised value at the last rememberAll
    };

    void registerVariable(const char* name, VariableBase& variable);

    std::vector<VkVariable> records_;
    std::vector<Entry> entries_;
    std::map<std::string, std::size_t> indices_;
};

} // namespace vardek

#endif
