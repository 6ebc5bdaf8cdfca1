// The table of named engine variables: registration, defaults, scales, texts,
// change marks and roll back.
#include "api/variables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

using vardek::Variables;

namespace {

struct Snapshot {
    float value;
    std::string text;
};

std::vector<Snapshot> snapshot(const Variables& v) {
    std::vector<Snapshot> out;
    for (std::size_t i = 0; i < v.size(); ++i)
        out.push_back({v.record(i).value, v.record(i).text});
    return out;
}

std::string textOf(const Variables& v, const char* name) {
    return v.record(name).text;
}

// What a session does after it sets something: refresh values and texts.
void refresh(Variables& v) {
    v.refreshValues();
    v.refreshTexts();
}

TEST(VariablesTest, ConstructionRegistersTheNamedVariablesWithTheirDefaults) {
    struct Row {
        const char* name;
        const char* text;
        float value;
    };
    // Size 1024: inFocusEdgeWidth = 1024 / 2^8.5 = 2^1.5, normalised 1.5 / 5.
    const std::vector<Row> rows = {
        {"imageTol", "2.02792", 0.51f},
        {"inFocusEdgeWidth", "2", 0.3f},
        {"edgeContrast", "1=medium", 0.5f},
        {"textureFilter", "1=medium", 0.5f},
        {"interpolation", "0=range", 0.0f},
        {"#resolution", "3", 0.0f},
        {"#texture", "3", 0.0482243f},
        {"#colourBits", "4", 0.5f},
        {"#maxBits", "7", 7.0f / 11.0f},
        {"featureTol", "1.05", 0.0703893f},
        {"focus", "0", 0.0f},
        {"overlap", "1", 1.0f / 3.0f},
        {"t%", "0.166667", 1.0f / 3.0f},
        {"b-smooth", "5", 0.05f},
        {"b-careful", "16", 0.32f},
        {"b-greedy", "8", 0.16f},
        {"v-mdPt", "5", 0.5f},
        {"v-smplf", "0.6", 0.3f},
        {"v-smth", "0.4", 0.2f},
        {"BlendMode", "2=bp", 1.0f},
        {"fg sampling", "1=both", 1.0f},
        {"bg sampling", "1=both", 1.0f},
    };
    Variables v;
    ASSERT_EQ(v.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(v.indexOf(rows[i].name), i);
        EXPECT_STREQ(v.records()[i].name, rows[i].name);
        EXPECT_STREQ(v.records()[i].text, rows[i].text);
        EXPECT_NEAR(v.records()[i].value, rows[i].value, 1e-5);
        EXPECT_FALSE(v.variable(i).changed());
        EXPECT_EQ(v.variable(i).owner(), &v);
    }
}

TEST(VariablesTest, EdgeWidthDefaultFollowsTheLongerSide) {
    struct Row {
        int size;
        int edgeWidth;
        const char* resolution; // ceil(W 2^0.5), texture filter medium
        const char* texture;    // radius ceil(W 2^0.5) - 1, written plus one
    };
    const std::vector<Row> rows = {
        {100, 2, "3", "3"},      {724, 2, "3", "3"},      {725, 2, "3", "3"},
        {1086, 2, "3", "3"},     {1087, 3, "5", "5"},     {2000, 5, "8", "8"},
        {11585, 31, "44", "44"}, {11586, 32, "46", "46"}, {50000, 32, "46", "46"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.size);
        Variables v;
        v.applyDefaults(row.size);
        v.rememberAll();
        refresh(v);
        EXPECT_EQ(v.inFocusEdgeWidth.value(), row.edgeWidth);
        EXPECT_EQ(textOf(v, "inFocusEdgeWidth"), std::to_string(row.edgeWidth));
        EXPECT_EQ(textOf(v, "#resolution"), row.resolution);
        EXPECT_EQ(textOf(v, "#texture"), row.texture);
    }
    Variables v;
    v.applyDefaults(2000);
    EXPECT_NEAR(v.inFocusEdgeWidth.field(), 5.5243f, 1e-3); // kept unrounded, reported as 5
    v.applyDefaults(-3);
    EXPECT_EQ(v.inFocusEdgeWidth.field(), 2.0f);
}

TEST(VariablesTest, SetNormalisedOnEachKindOfScale) {
    struct Row {
        const char* name;
        float x;
        const char* text; // after the set, before any remember
        float value;      // the record's value after the refresh
    };
    const std::vector<Row> rows = {
        // linear floats: (max - min) x + min
        {"focus", 0.3f, "1.2*", 0.3f},
        {"v-smth", 0.2f, "0.4", 0.2f}, // the default again: not marked
        // logarithmic floats: exp((ln max - ln min) x + ln min)
        {"featureTol", 0.5f, "1.41421*", 0.5f},
        {"imageTol", 0.0f, "1*", 0.0f},
        // logarithmic, reported truncated: 32^0.5 = 5.66
        {"inFocusEdgeWidth", 0.5f, "5*", 0.5f},
        // integers: floor((max - min) x + 0.5) + min
        {"edgeContrast", 0.74f, "1=medium", 0.5f},
        {"textureFilter", 1.0f, "2=coarse*", 1.0f},
        {"interpolation", 0.5f, "2=median*", 2.0f / 3.0f},
        {"b-smooth", 0.333f, "33*", 0.33f},
        {"overlap", 0.0f, "0*", 0.0f},
        // computed: a value field below 1 switches texture smoothing off
        {"#texture", 0.0f, "Off*", 0.0f},
        // outside [0, 1] the scale extrapolates; only the record is clamped
        {"b-smooth", 1.5f, "150*", 1.0f},
        {"focus", -0.5f, "-2*", 0.0f},
        // far outside, integers saturate instead of overflowing
        {"overlap", 1e30f, "2147483647*", 1.0f},
        {"overlap", -1e30f, "-2147483648*", 0.0f},
        {"inFocusEdgeWidth", 1e30f, "2147483647*", 1.0f},
        {"featureTol", 1e30f, "inf*", 1.0f},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " " + std::to_string(row.x));
        Variables v;
        EXPECT_TRUE(v.setByName(row.name, row.x));
        EXPECT_EQ(v.record(row.name).value, row.x); // the record holds the value as given
        refresh(v);
        EXPECT_EQ(textOf(v, row.name), row.text);
        EXPECT_NEAR(v.record(row.name).value, row.value, 1e-5);
        // Inside the range the variable's own normalised value is the record's.
        if (row.value > 0.0f && row.value < 1.0f) {
            EXPECT_NEAR(v.variable(v.indexOf(row.name)).normalised(), row.value, 1e-5);
        }
    }
}

TEST(VariablesTest, ComputedValuesFollowTheVariablesTheyDependOn) {
    Variables v;                           // size 1024: edge width 2
    EXPECT_EQ(v.resolution.value(), 3.0f); // ceil(2 * 2^0.5)
    EXPECT_EQ(v.texture.value(), 2);       // ceil(2 * 2^0.5) - 1

    v.setByName("textureFilter", 0.0f);    // T = 0
    EXPECT_EQ(v.resolution.value(), 2.0f); // ceil(2) = 2, below 3
    EXPECT_EQ(v.texture.value(), 1);       // ceil(2 * 2^-0.5) - 1 = 1

    // Changing the edge width changes the computed values without setting them.
    v.textureFilter.set(1);
    v.inFocusEdgeWidth.set(10.0f);
    refresh(v);
    EXPECT_EQ(textOf(v, "#resolution"), "15*"); // ceil(10 * 1.414)
    EXPECT_EQ(textOf(v, "#texture"), "15*");
    EXPECT_EQ(textOf(v, "#colourBits"), "4");

    struct Row {
        int field;
        int contrast;
        int bits; // field - contrast + 1, at most 8, 0 below 1
    };
    for (const Row& row :
         std::vector<Row>{{4, 2, 3}, {0, 2, 0}, {4, 0, 5}, {11, 0, 8}, {1, 1, 1}}) {
        v.colourBits.set(row.field);
        v.maxBits.set(row.field);
        v.edgeContrast.set(row.contrast);
        EXPECT_EQ(v.colourBits.value(), row.bits) << row.field << " " << row.contrast;
        EXPECT_EQ(v.maxBits.value(), row.bits) << row.field << " " << row.contrast;
    }
}

TEST(VariablesTest, ChangeMarksLastUntilTheNextRemember) {
    Variables v;
    v.setByName("textureFilter", 1.0f);
    refresh(v);
    EXPECT_EQ(textOf(v, "textureFilter"), "2=coarse*");
    // The texture filter also drives the two computed values.
    EXPECT_EQ(textOf(v, "#resolution"), "4*");
    std::ostringstream printed;
    v.textureFilter.print(printed);
    EXPECT_EQ(printed.str(), "1, 2");

    v.rememberAll();
    v.refreshTexts();
    EXPECT_EQ(textOf(v, "textureFilter"), "2=coarse");
    EXPECT_EQ(textOf(v, "#resolution"), "4");
}

TEST(VariablesTest, RollBackReturnsToTheLastRememberedValues) {
    Variables v;
    v.applyDefaults(2000);
    v.setByName("focus", 0.25f);
    v.rememberAll(); // as after a completed analysis
    refresh(v);
    const std::vector<Snapshot> before = snapshot(v);

    v.setByName("featureTol", 0.9f);
    v.setByName("b-smooth", 0.77f);
    v.setByName("edgeContrast", 0.0f);
    v.setByName("inFocusEdgeWidth", 1.0f);
    v.setByName("#texture", 0.0f);
    v.rollBack();
    v.rememberAll();
    refresh(v);

    const std::vector<Snapshot> after = snapshot(v);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        SCOPED_TRACE(v.record(i).name);
        EXPECT_EQ(after[i].text, before[i].text);
        EXPECT_NEAR(after[i].value, before[i].value, 1e-5);
    }
    EXPECT_EQ(textOf(v, "focus"), "1");
    EXPECT_EQ(v.inFocusEdgeWidth.value(), 5);
}

TEST(VariablesTest, UnknownNamesAndNonNumbersChangeNothing) {
    Variables v;
    const std::vector<Snapshot> before = snapshot(v);
    EXPECT_THROW(v.indexOf("noSuchVariable"), Variables::VariableNotFound);
    EXPECT_THROW(v.indexOf(nullptr), Variables::VariableNotFound);
    EXPECT_THROW(v.indexOf("edgecontrast"), Variables::VariableNotFound); // names are exact
    EXPECT_THROW(v.record(""), Variables::VariableNotFound);
    EXPECT_THROW(v.setByName("noSuchVariable", 0.5f), Variables::VariableNotFound);
    EXPECT_THROW(v.setByName(nullptr, 0.5f), Variables::VariableNotFound);
    EXPECT_FALSE(v.setByName("focus", std::numeric_limits<float>::quiet_NaN()));
    EXPECT_FALSE(v.setByName("overlap", std::numeric_limits<float>::infinity()));
    refresh(v);
    const std::vector<Snapshot> after = snapshot(v);
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].text, before[i].text);
        EXPECT_EQ(after[i].value, before[i].value);
    }
}

} // namespace
