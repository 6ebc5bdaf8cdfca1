#include "api/variables.h"

#include <algorithm>
#include <cmath>

namespace vardek {
namespace {

// Record values are clamped to [0, 1]; a value that is not a number reads 0.
float clamp01(float x) {
    return x > 0.0f ? std::min(x, 1.0f) : 0.0f;
}

} // namespace

float VarRfSpacing::value() const {
    const int w = owner()->inFocusEdgeWidth.value();
    const int t = owner()->textureFilter.value();
    // ceil(W v 2^(T / 2)); below 3 becomes 2
    const float spacing = std::ceil(static_cast<float>(w) * value_ * std::exp2(t * 0.5f));
    return spacing >= 3.0f ? spacing : 2.0f;
}

int VarSmoothing::value() const {
    if (value_ < 1.0f) return 0;
    const int w = owner()->inFocusEdgeWidth.value();
    const int t = owner()->textureFilter.value();
    // ceil(W v 2^(T - 1/2)) - 1; below 2 becomes 1
    const float radius = std::ceil(static_cast<float>(w) * value_ * std::exp2(t - 0.5f)) - 1.0f;
    return radius >= 2.0f ? detail::convert<int>(radius) : 1;
}

std::string VarSmoothing::toString() const {
    const int radius = value();
    return radius == 0 ? std::string("Off") : detail::decimal(static_cast<long long>(radius) + 1);
}

namespace {

// v - C + 1, at most 8; below 1 becomes 0
int colourBitsFor(int v, int contrast) {
    const long long bits = std::min<long long>(static_cast<long long>(v) - contrast + 1, 8);
    return bits < 1 ? 0 : static_cast<int>(bits);
}

} // namespace

int VarColourBits::value() const {
    return colourBitsFor(value_, owner()->edgeContrast.value());
}

int VarMaxColourBits::value() const {
    return colourBitsFor(value_, owner()->edgeContrast.value());
}

Variables::Variables() {
    entries_.reserve(22);
    registerVariable("imageTol", imageTol);
    registerVariable("inFocusEdgeWidth", inFocusEdgeWidth);
    registerVariable("edgeContrast", edgeContrast);
    registerVariable("textureFilter", textureFilter);
    registerVariable("interpolation", interpolation);
    registerVariable("#resolution", resolution);
    registerVariable("#texture", texture);
    registerVariable("#colourBits", colourBits);
    registerVariable("#maxBits", maxBits);
    registerVariable("featureTol", featureTol);
    registerVariable("focus", focus);
    registerVariable("overlap", overlap);
    registerVariable("t%", tPercent);
    registerVariable("b-smooth", bSmooth);
    registerVariable("b-careful", bCareful);
    registerVariable("b-greedy", bGreedy);
    registerVariable("v-mdPt", vMdPt);
    registerVariable("v-smplf", vSmplf);
    registerVariable("v-smth", vSmth);
    registerVariable("BlendMode", blendMode);
    registerVariable("fg sampling", fgSampling);
    registerVariable("bg sampling", bgSampling);

    records_.resize(entries_.size(), VkVariable{0.0f, nullptr, nullptr});
    for (const auto& [name, index] : indices_)
        records_[index].name = name.c_str();

    applyDefaults(1024);
    rememberAll();
    // The records are complete from the start, so none ever holds a null text.
    refreshValues();
    refreshTexts();
}

void Variables::registerVariable(const char* name, VariableBase& variable) {
    indices_.emplace(name, entries_.size());
    entries_.push_back(Entry{&variable, std::string(), 0.0f});
    variable.owner_ = this;
}

std::size_t Variables::indexOf(const char* name) const {
    if (!name) throw VariableNotFound();
    const auto found = indices_.find(name);
    if (found == indices_.end()) throw VariableNotFound();
    return found->second;
}

bool Variables::setByName(const char* name, float value) {
    const std::size_t index = indexOf(name);
    if (!std::isfinite(value)) return false;
    records_[index].value = value;
    entries_[index].variable->setNormalised(value);
    return true;
}

void Variables::applyDefaults(int size) {
    records_[indexOf("imageTol")].value = 0.51f;
    imageTol.setNormalised(0.51f);

    featureTol.set(1.05f);
    focus.set(0.0f);
    // One pixel of edge width per 2^8.5 pixels of the longer side, from 2 to 32.
    inFocusEdgeWidth.set(std::clamp(static_cast<float>(size) / std::exp2(8.5f), 2.0f, 32.0f));

    edgeContrast.set(1);
    textureFilter.set(1);
    interpolation.set(0);
    resolution.set(1.0f);
    texture.set(1.0f);
    colourBits.set(4);
    maxBits.set(7);
    overlap.set(1);
    tPercent.set(1.0f / 6.0f);
    bSmooth.set(5);
    bCareful.set(16);
    bGreedy.set(8);
    vMdPt.set(5);
    vSmplf.set(0.6f);
    vSmth.set(0.4f);
    blendMode.set(2);
    fgSampling.set(1);
    bgSampling.set(1);
}

void Variables::rememberAll() {
    for (Entry& entry : entries_) {
        entry.saved = clamp01(entry.variable->normalised());
        entry.variable->remember();
    }
}

void Variables::refreshValues() {
    for (std::size_t i = 0; i < entries_.size(); ++i)
        records_[i].value = clamp01(entries_[i].variable->normalised());
}

void Variables::refreshTexts() {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        Entry& entry = entries_[i];
        entry.text = entry.variable->toString();
        if (entry.variable->changed()) entry.text += "*";
        records_[i].text = entry.text.c_str();
    }
}

void Variables::rollBack() {
    for (Entry& entry : entries_)
        entry.variable->remember();
    for (Entry& entry : entries_) {
        const float previous = entry.saved;
        entry.saved = clamp01(entry.variable->normalised());
        entry.variable->setNormalised(previous);
    }
}

} // namespace vardek
