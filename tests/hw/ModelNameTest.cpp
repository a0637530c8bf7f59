// The model-name scan of the brand string, its renamings and the display name.
#include "hw/BuildFlavour.h"
#include "hw/ModelName.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    const char* brand;
    uint32_t signature;
    const char* modelName;
};

class ModelNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(ModelNameTest, NameFromBrandAndSignature)
{
    const NameCase& c = GetParam();
    EXPECT_EQ(hw::modelNameFor(c.brand, c.signature), c.modelName) << '"' << c.brand << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Scan, ModelNameTest,
    testing::Values(
        NameCase{"Intel(R) Core(TM)2 Duo CPU     E8400  @ 3.00GHz", 0x1067A, "E8400"},
        NameCase{"Intel(R) Core(TM)2 Quad CPU    Q9550S  @ 2.83GHz", 0x1067A, "Q9550S"}, // letter after the token
        NameCase{"Intel(R) Core(TM)2 Duo CPU T7700", 0x6FD, "T7700"},          // nothing after it at the end
        NameCase{"         Intel(R) Atom(TM) CPU N270   @ 1.60GHz", 0x106C2, "N270"},
        NameCase{"", 0x1067A, "-----"},                                        // no brand string
        NameCase{"Intel(R) Pentium(R) 4 CPU 3.00GHz", 0x6F2, "-----"},         // no three- or four-digit token
        NameCase{"Intel(R) CPU 12345 @ 2.00GHz", 0x1067A, "-----"},            // five digits are no model number
        NameCase{"E8400", 0x1067A, "-----"},                                   // a token needs a blank or '-' before it
        NameCase{"Intel(R) Core(TM)2 CPU E6750 E8400", 0x1067A, "E8400"},      // only the rightmost token
        // Four-digit brand strings of the first Core 2 processors.
        NameCase{"Intel(R) Core(TM)2 CPU          6600  @ 2.40GHz", 0x6F6, "E6600"},
        NameCase{"Intel(R) Core(TM)2 CPU          6600  @ 2.40GHz", 0x6F7, "Q6600"},
        NameCase{"Intel(R) Core(TM)2 CPU          6600  @ 2.40GHz", 0x6FB, "Q6600"},
        NameCase{"Intel(R) Core(TM)2 CPU          6600  @ 2.40GHz", 0x6F2, "6600"},
        NameCase{"Intel(R) Core(TM)2 Extreme CPU  6850  @ 3.00GHz", 0x6FB, "QX6850"},
        NameCase{"Intel(R) Core(TM)2 Quad CPU     6850  @ 3.00GHz", 0x6FB, "QX6850"},
        NameCase{"Intel(R) Core(TM)2 CPU          6850  @ 3.00GHz", 0x6FB, "6850"},
        NameCase{"Intel(R) Core(TM)2 Extreme CPU X9650  @ 3.00GHz", 0x10676, "QX9650"},
        NameCase{"Intel(R) Core(TM)2 Extreme CPU X9775  @ 3.20GHz", 0x10676, "QX9775"},
        NameCase{"Intel(R) Core(TM)2 Extreme CPU X9000  @ 2.80GHz", 0x10676, "X9000"},
        NameCase{"Intel(R) Core(TM)2 Extreme CPU Q6800  @ 2.93GHz", 0x6F6, "QX6800"},
        NameCase{"Intel(R) Core(TM)2 CPU         X6800  @ 2.93GHz", 0x6FB, "QX6800"},
        NameCase{"Intel(R) Core(TM)2 CPU         X6800  @ 2.93GHz", 0x6F6, "X6800"},
        // Nehalem (0x106Ax).
        NameCase{"Intel(R) Core(TM) i7 CPU         920  @ 2.67GHz", 0x106A4, "Core i7-920"},
        NameCase{"Intel(R) Xeon(R) CPU           X5570  @ 2.93GHz", 0x106A5, "Xeon X5570"},
        // Lynnfield and Clarksfield (0x106Ex).
        NameCase{"Intel(R) Core(TM) i7 CPU       S 860  @ 2.53GHz", 0x106E5, "Core i7-860S"},
        NameCase{"Intel(R) Core(TM) i7 CPU       K 875  @ 2.93GHz", 0x106E5, "Core i7-875K"},
        NameCase{"Intel(R) Core(TM) i7 CPU       Q 720  @ 1.60GHz", 0x106E5, "Core i7-720QM"},
        NameCase{"Intel(R) Core(TM) i7 CPU       Q 820  @ 1.73GHz", 0x106E5, "Core i7-820QM"},
        NameCase{"Intel(R) Core(TM) i7 CPU       X 920  @ 2.00GHz", 0x106E5, "Core i7-920XM"},
        NameCase{"Intel(R) Core(TM) i5 CPU       S 750  @ 2.40GHz", 0x106E5, "Core i5-750S"},
        NameCase{"Intel(R) Core(TM) i5 CPU         750  @ 2.67GHz", 0x106E5, "Core i5-750"},
        NameCase{"Intel(R) Core(TM) i3 CPU         540  @ 3.07GHz", 0x106E5, "Core i3-540"},
        NameCase{"Intel(R) Xeon(R) CPU           X3440  @ 2.53GHz", 0x106E5, "Xeon X3440"},
        // Westmere and Sandy Bridge (0x206xx).
        NameCase{"Intel(R) Core(TM) i7 CPU       X 980  @ 3.33GHz", 0x206C2, "Core i7-980X"},
        NameCase{"Intel(R) Core(TM) i7 CPU       X 995  @ 3.60GHz", 0x206C2, "Core i7-995X"},
        NameCase{"Intel(R) Core(TM) i5 CPU       K 655  @ 3.20GHz", 0x20655, "Core i5-655K"},
        NameCase{"Intel(R) Core(TM) i3 CPU         530  @ 2.93GHz", 0x20652, "Core i3-530"},
        NameCase{"       Intel(R) Core(TM) i7-2600K CPU @ 3.40GHz", 0x206A7, "Core i7-2600K"},
        NameCase{"Intel(R) Xeon(R) CPU           X5680  @ 3.33GHz", 0x206C2, "Xeon X5680"},
        // The same markers outside their signature ranges change nothing.
        NameCase{"Intel(R) Core(TM) i7 CPU       X 980  @ 3.33GHz", 0x106A5, "Core i7-980"},
        NameCase{"Intel(R) Core(TM) i7 CPU       S 860  @ 2.53GHz", 0x206C2, "Core i7-860"},
        // Processors after Sandy Bridge: five-digit numbers and words around them.
        NameCase{"13th Gen Intel(R) Core(TM) i9-13900K", 0xB0671, "i9-13900K"},
        NameCase{"12th Gen Intel(R) Core(TM) i7-1260P", 0x906A3, "i7-1260P"},
        NameCase{"Intel(R) Core(TM) i7-4770K CPU @ 3.50GHz", 0x306C3, "i7-4770K"},
        NameCase{"Intel(R) Core(TM) Ultra 7 155H", 0xA06A4, "Ultra 7 155H"},
        NameCase{"Intel(R) Core(TM) 5 120U", 0xA06A4, "Core 5 120U"},
        NameCase{"Intel(R) Xeon(R) Silver 4514Y", 0xC06F2, "Xeon 4514Y"},
        NameCase{"INTEL(R) XEON(R) SILVER 4514Y", 0xC06F2, "Xeon 4514Y"},
        NameCase{"Intel(R) Xeon(R) w9-3475X", 0x806F8, "Xeon w9-3475X"},
        NameCase{"Intel(R) Xeon(R) CPU E5-2680 v4 @ 2.40GHz", 0x406F1, "Xeon E5-2680 v4"},
        NameCase{"Intel(R) Celeron(R) N5105 @ 2.00GHz", 0x906C0, "N5105"},
        NameCase{"Genuine Intel(R) CPU 0000 @ 2.00GHz", 0x906EA, "0000"},
        NameCase{"Intel(R) Xeon(R)", 0x806F8, "-----"}));

struct DisplayCase {
    const char* brand;
    uint32_t signature;
    const char* fourCore;
    const char* sixCore;
};

class DisplayNameTest : public testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayNameTest, PrefixesByBuild)
{
    const DisplayCase& c = GetParam();
    const std::string model = hw::modelNameFor(c.brand, c.signature);
    EXPECT_EQ(hw::displayNameFor(model, c.brand, c.signature, hw::FourCoreBuild), c.fourCore);
    EXPECT_EQ(hw::displayNameFor(model, c.brand, c.signature, hw::SixCoreBuild), c.sixCore);
}

INSTANTIATE_TEST_SUITE_P(
    Prefixes, DisplayNameTest,
    testing::Values(
        DisplayCase{"Intel(R) Core(TM)2 Duo CPU     E8400  @ 3.00GHz", 0x1067A, "E8400", "Intel E8400"},
        DisplayCase{"Intel(R) Core(TM)2 Quad CPU    Q6600  @ 2.40GHz", 0x6FB, "Quad Q6600", "Intel Quad Q6600"},
        DisplayCase{"Intel(R) Xeon(R) CPU           E5440  @ 2.83GHz", 0x1067A, "Xeon E5440", "Intel Xeon E5440"},
        DisplayCase{"Intel(R) Xeon(R) CPU           X5570  @ 2.93GHz", 0x106A5, "Xeon X5570", "Intel Xeon X5570"},
        // The model name carries "Xeon " already; it is not doubled.
        DisplayCase{"Intel(R) Xeon(R) CPU           W3520  @ 2.67GHz", 0x106A5, "Xeon W3520", "Intel Xeon W3520"},
        DisplayCase{"         Intel(R) Atom(TM) CPU N270   @ 1.60GHz", 0x106C2, "Atom N270", "Intel Atom N270"},
        DisplayCase{"Intel(R) CPU Z520 @ 1.33GHz", 0x106C2, "Atom Z520", "Intel Atom Z520"}, // by signature
        DisplayCase{"Intel(R) Core(TM) i7 CPU         920  @ 2.67GHz", 0x106A4, "Core i7-920", "Intel Core i7-920"}));

} // namespace
