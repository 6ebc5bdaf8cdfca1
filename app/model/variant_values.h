// Reading single values out of QVariants that come from outside the program:
// project files and the user's settings. Each answers nothing when the value
// is absent or does not stand for a value of its type, so that the caller
// can fall back to its own default instead of a zero it never meant.
#ifndef APP_MODEL_VARIANT_VALUES_H
#define APP_MODEL_VARIANT_VALUES_H

#include <QVariant>

#include <optional>

// An int, from an int or any value that converts to one ("12" does, "abc" does not).
std::optional<int> intFromVariant(const QVariant& value);

// A bool, from a bool, a number (non-zero is true) or the texts "true" and
// "false" in any case (how an INI file gives bools back). Other texts are not bools.
std::optional<bool> boolFromVariant(const QVariant& value);

// A finite float, from any number or numeric text; NaN and infinities are not read.
std::optional<float> finiteFloatFromVariant(const QVariant& value);

#endif
