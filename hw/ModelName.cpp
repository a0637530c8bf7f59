#include "hw/ModelName.h"

#include "hw/ProcessorInfo.h"

#include <cctype>
#include <initializer_list>
#include <sstream>
#include <vector>

namespace hw {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

bool isOneOf(std::string_view name, std::initializer_list<std::string_view> names)
{
    for (std::string_view candidate : names)
        if (name == candidate)
            return true;
    return false;
}

bool inRange(uint32_t signature, uint32_t first, uint32_t last) { return signature >= first && signature <= last; }

// Brand-string substitutions: when the brand string holds `marker`, the name becomes `name`.
struct Substitution {
    std::string_view marker;
    std::string_view name;
};

void substitute(std::string& name, std::string_view brand, std::initializer_list<Substitution> table)
{
    for (const Substitution& entry : table)
        if (contains(brand, entry.marker))
            name = entry.name;
}

bool sameWord(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool isWordOf(std::string_view word, std::initializer_list<std::string_view> words)
{
    for (std::string_view candidate : words)
        if (sameWord(word, candidate))
            return true;
    return false;
}

bool hasDigit(std::string_view word)
{
    for (char c : word)
        if (isDigit(c))
            return true;
    return false;
}

// The brand string's words without the marks, the maker, the generation, the
// word "CPU" and the clock: "13th Gen Intel(R) Core(TM) i9-13900K" gives
// "Core", "i9-13900K".
std::vector<std::string> brandWords(std::string_view brand)
{
    std::string text(brand);
    for (std::string_view mark : {"(R)", "(TM)", "(tm)", "(r)", "(Tm)"})
        for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark))
            text.replace(at, mark.size(), " ");
    const size_t clock = text.find('@');
    if (clock != std::string::npos)
        text.erase(clock);
    std::vector<std::string> words;
    std::istringstream stream(text);
    for (std::string word; stream >> word;) {
        if (isWordOf(word, {"Intel", "CPU", "Processor", "Gen"}))
            continue;
        // "13th" in front of "Gen".
        if (word.size() > 2 && (word.ends_with("th") || word.ends_with("nd") || word.ends_with("rd")
                                || word.ends_with("st"))
            && isDigit(word.front()) && !hasDigit(word.substr(word.size() - 2)))
            continue;
        words.push_back(word);
    }
    return words;
}

std::string joined(const std::vector<std::string>& words, size_t from)
{
    std::string text;
    for (size_t i = from; i < words.size(); ++i)
        text += (text.empty() ? "" : " ") + words[i];
    return text;
}

} // namespace

std::string laterModelName(std::string_view brand)
{
    const std::vector<std::string> words = brandWords(brand);
    for (size_t i = 0; i < words.size(); ++i) {
        // "Ultra 7 155H", "Core 5 120U": the series stays with the number.
        if (isWordOf(words[i], {"Ultra", "Core"}) && i + 2 < words.size() && words[i + 1].size() == 1
            && isDigit(words[i + 1][0]))
            return joined(words, i);
        // "Xeon Silver 4514Y", "Xeon w9-3475X", "Xeon E5-2680 v4": the metal
        // tier is dropped, the rest of the name kept.
        // Some Xeons spell their brand string in capitals.
        if (sameWord(words[i], "Xeon")) {
            size_t from = i + 1;
            if (from < words.size() && isWordOf(words[from], {"Bronze", "Silver", "Gold", "Platinum", "Max"}))
                ++from;
            const std::string rest = joined(words, from);
            return rest.empty() ? std::string() : "Xeon " + rest;
        }
    }
    // "Core i9-13900K", "Pentium Gold G7400", "Celeron N5105": the last word
    // with a digit.
    for (size_t i = words.size(); i-- > 0;)
        if (hasDigit(words[i]))
            return words[i];
    return {};
}

std::string scanModelToken(std::string_view brand)
{
    // From the last character towards the first: count digits, and once three
    // or four digits have been seen, the letters in front of them. A blank or
    // '-' closes the token; any other character breaks a run that is not yet
    // a model number.
    size_t digits = 0;
    size_t letters = 0;
    for (size_t i = brand.size(); i-- > 0;) {
        const char c = brand[i];
        if (isDigit(c)) {
            ++digits;
            continue;
        }
        if (digits != 3 && digits != 4) {
            digits = 0;
            letters = 0;
            continue;
        }
        if (isLetter(c)) {
            ++letters;
            continue;
        }
        if (c == ' ' || c == '-') {
            const size_t start = i + 1;
            const size_t length = letters + digits;
            std::string token(brand.substr(start, length));
            const size_t after = start + length;
            if (after < brand.size() && brand[after] != ' ')
                token += brand[after];
            return token;
        }
    }
    return {};
}

std::string modelNameFor(std::string_view brand, uint32_t signature)
{
    if (isLaterRaplModel(signature)) {
        const std::string name = laterModelName(brand);
        return name.empty() ? "-----" : name;
    }
    std::string name = scanModelToken(brand);

    // Early Core 2 brand strings carry the number only.
    if (name == "6600") {
        if (signature == 0x6F6)
            name = "E6600";
        else if (signature == 0x6F7 || signature == 0x6FB)
            name = "Q6600";
    }
    if (name == "6850" && (contains(brand, "Quad") || contains(brand, "Extreme")))
        name = "QX6850";

    if (isOneOf(name, {"X9300", "X9650", "X9770", "X9775"}))
        name = "Q" + name;

    if (inRange(signature, 0x106A0, 0x106AF)) {
        if (contains(brand, "Xeon"))
            name = "Xeon " + name;
        if (contains(brand, "i7"))
            name = "Core i7-" + name;
    }

    if (inRange(signature, 0x106E0, 0x106EF)) {
        if (contains(brand, "Xeon"))
            name = "Xeon " + name;
        if (contains(brand, "i7")) {
            substitute(name, brand,
                       {{"S 860", "860S"}, {"K 875", "875K"}, {"Q 720", "720QM"}, {"Q 820", "820QM"},
                        {"X 920", "920XM"}});
            name = "Core i7-" + name;
        }
        if (contains(brand, "i5")) {
            substitute(name, brand, {{"S 750", "750S"}});
            name = "Core i5-" + name;
        }
        if (contains(brand, "i3"))
            name = "Core i3-" + name;
    }

    if (inRange(signature, 0x20600, 0x206FF)) {
        substitute(name, brand, {{"X 980", "980X"}, {"X 995", "995X"}, {"K 655", "655K"}});
        if (contains(brand, "i7"))
            name = "Core i7-" + name;
        if (contains(brand, "i5"))
            name = "Core i5-" + name;
        if (contains(brand, "i3"))
            name = "Core i3-" + name;
        if (contains(brand, "Xeon"))
            name = "Xeon " + name;
    }

    if (name == "Q6800")
        name = "QX6800";
    if (name == "X6800" && (signature == 0x6F7 || signature == 0x6FB))
        name = "QX6800";

    if (name.empty())
        name = "-----";
    return name;
}

std::string displayNameFor(std::string_view modelName, std::string_view brand, uint32_t signature,
                           const BuildFlavour& flavour)
{
    const std::string name(modelName);
    std::string display = name;
    // Nehalem-generation Xeon model names carry "Xeon " already; it is not doubled.
    if (contains(brand, "Xeon") && name.rfind("Xeon ", 0) != 0)
        display = "Xeon " + name;
    if (contains(brand, "X5570"))
        display = "Xeon X5570";
    if (contains(brand, "Quad"))
        display = "Quad " + name;
    if (contains(brand, "Atom") || isAtomSignature(signature))
        display = "Atom " + name;
    if (flavour.sixCoreRules)
        display = "Intel " + display;
    return display;
}

} // namespace hw
