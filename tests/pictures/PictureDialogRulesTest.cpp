// The picture dialog's number rules: texts shown when it opens and numbers taken when it is
// confirmed.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "pictures/PictureDialogRules.h"
#include "shell/SettingsFixture.h"

namespace wirbelix {
namespace {

TEST(PictureDialogRules, PivotsKeepTheirLow13Bits) {
    const struct {
        const char* text;
        int pivot;
    } cases[] = {
        {"514", 514}, {"0", 0},        {"8191", 8191}, {"8192", 0},  {"0x1FF", 511}, {"0b101", 5},
        {"0o17", 15}, {"-1", 8191},    {"  42px", 42}, {"", 0},      {"abc", 0},     {"10000", 10000 & 0x1FFF},
    };
    for (const auto& c : cases) EXPECT_EQ(ParsePivot(c.text), c.pivot) << '"' << c.text << '"';
}

TEST(PictureDialogRules, SectionsBelowTwoBecomeSixAboveTwelveTwelve) {
    const struct {
        const char* text;
        int sections;
    } cases[] = {
        {"1", 6}, {"13", 12}, {"0x0A", 10}, {"2", 2}, {"12", 12}, {"0", 6}, {"-5", 6}, {"", 6}, {"999", 12},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseSections(c.text), c.sections) << '"' << c.text << '"';
}

TEST(PictureDialogRules, OffsetDegreesBecomeUnitsOfATurnAndWrap) {
    const struct {
        const char* text;
        int offset;
    } cases[] = {
        {"-30", 120150}, {"90", 32768}, {"30", 10922}, {"0", 0},      {"360", 0},   {"359.99", 131068},
        {"", 0},         {"x", 0},      {"720.5", 182}, {"1e300", 0}, {"inf", 0},   {"-0.001", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseOffsetDegrees(c.text), c.offset) << '"' << c.text << '"';
}

TEST(PictureDialogRules, OffsetShowsTwoSignificantDigitsOfItsTurn) {
    const struct {
        int offset;
        const char* text;
    } cases[] = {
        {10922, "30"}, {32768, "90"}, {120150, "3.3e+02"}, {0, "0"}, {44782, "1.2e+02"},
        {131072 + 32768, "90"},  // only the low 17 bits count
        {-98304, "90"},          // a negative stored offset is the same turn
        {364, "1"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatOffsetDegrees(c.offset), c.text) << c.offset;
}

TEST(PictureDialogRules, RevolutionsOutsideTwoToTwentyBecomeFive) {
    const struct {
        const char* text;
        double read, taken;
    } cases[] = {
        {"25", 25, 5.0},    {"1", 1, 5.0},     {"2", 2, 2.0},         {"20", 20, 20},  {"20.5", 20.5, 5.0},
        {"7.5", 7.5, 7.5},  {"", 0, 5.0},      {"  3x", 3, 3},        {"+4", 4, 4},    {"0x10", 16, 16},
        {"-3", -3, 5.0},    {"1e1", 10, 10},   {"abc", 0, 5.0},       {"0x", 0, 5.0},
    };
    for (const auto& c : cases) {
        const double read = ParseRevolutions(c.text);
        EXPECT_EQ(read, c.read) << '"' << c.text << '"';
        EXPECT_EQ(CheckRevolutions(read), c.taken) << '"' << c.text << '"';
    }
    EXPECT_EQ(CheckRevolutions(std::nan("")), 5.0);
}

TEST(PictureDialogRules, TextsRoundTripThroughTheDialog) {
    PictureChoice choice;
    choice.imagePath = "/pictures/dial.png";
    choice.rotorPath = "/pictures/pointer.png";
    choice.imageX = 514;
    choice.imageY = 513;
    choice.rotorX = 59;
    choice.rotorY = 391;
    choice.sections = 8;
    choice.offset = 32768;
    choice.revolutions = 2.5;
    const PictureTexts texts = FormatPictureTexts(choice);
    EXPECT_EQ(texts.imageX, "514");
    EXPECT_EQ(texts.rotorY, "391");
    EXPECT_EQ(texts.sections, "8");
    EXPECT_EQ(texts.offset, "90");
    EXPECT_EQ(texts.revolutions, "2.5");
    const PictureChoice back = ParsePictureTexts(texts);
    EXPECT_EQ(back.imagePath, choice.imagePath);
    EXPECT_EQ(back.rotorPath, choice.rotorPath);
    EXPECT_EQ(back.imageX, 514);
    EXPECT_EQ(back.imageY, 513);
    EXPECT_EQ(back.rotorX, 59);
    EXPECT_EQ(back.rotorY, 391);
    EXPECT_EQ(back.sections, 8);
    EXPECT_EQ(back.offset, 32768);
    EXPECT_EQ(back.revolutions, 2.5);
}

class PathWarningTest : public SettingsFixture {};

TEST_F(PathWarningTest, OnlyAnExistingRegularFileOrNoPathPasses) {
    const std::string file = dir() + "/picture.png";
    std::ofstream(file) << "x";
    EXPECT_FALSE(NeedsPathWarning(""));
    EXPECT_FALSE(NeedsPathWarning(file));
    EXPECT_TRUE(NeedsPathWarning(dir()));
    EXPECT_TRUE(NeedsPathWarning(dir() + "/missing.png"));
}

}  // namespace
}  // namespace wirbelix
