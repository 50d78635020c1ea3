#include "usb/id_list/usb_id_list.h"

#include "common/input_file.h"
#include "common/system_paths.h"

#include <algorithm>

namespace {

// Lists and profiles are a few lines; anything larger is not one.
constexpr uint64_t kListFileLimit = 1 << 20;
constexpr std::string_view kBlanks = " \t\r\n\v\f";
constexpr std::string_view kSeparators = " \t\r\n\v\f,";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view Trimmed(std::string_view text)
{
    size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// "1234 : 5678" is one entry: the blanks around a colon go before the line is split.
std::string JoinedAtColons(std::string_view text)
{
    std::string joined;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ':') {
            while (!joined.empty() && kBlanks.find(joined.back()) != std::string_view::npos)
                joined.pop_back();
            joined += ':';
            while (i + 1 < text.size() && kBlanks.find(text[i + 1]) != std::string_view::npos)
                ++i;
        } else
            joined += text[i];
    }
    return joined;
}

bool ParsePair(std::string_view entry, uint16_t& idVendor, uint16_t& idProduct)
{
    size_t colon = entry.find(':');
    return colon != std::string_view::npos && ParseUsbIdNumber(entry.substr(0, colon), idVendor) &&
           ParseUsbIdNumber(entry.substr(colon + 1), idProduct);
}

std::string_view WithoutByteOrderMark(std::string_view text)
{
    return text.substr(0, kByteOrderMark.size()) == kByteOrderMark ? text.substr(kByteOrderMark.size()) : text;
}

// Calls take(line, number) for each line of the bytes.
template <typename Take>
void ForEachLine(std::string_view text, Take take)
{
    text = WithoutByteOrderMark(text);
    for (int number = 1; !text.empty(); ++number) {
        size_t end = std::min(text.find('\n'), text.size());
        take(text.substr(0, end), number);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
}

// The file's bytes; false, with the problem noted, when it is there but cannot be read.
bool ReadListFile(const std::filesystem::path& path, UsbIdList& list, std::string& bytes)
{
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, error)))
        return false;
    FileFailure failure;
    if (ReadInputFile(path, kListFileLimit, bytes, &failure))
        return true;
    list.problems.push_back({Utf8Path(path), 0, "", "cannot be read: " + failure.reason});
    return false;
}

}  // namespace

std::string UsbIdProblem::Describe() const
{
    std::string text = source + (line > 0 ? ":" + std::to_string(line) : "") + ": ";
    if (reason.empty())
        return text + "\"" + value + "\" is not a VID:PID pair; ignored";
    return text + reason + "; ignored";
}

void UsbIdList::Add(uint16_t idVendor, uint16_t idProduct)
{
    if (!Lists(idVendor, idProduct))
        ids.emplace_back(idVendor, idProduct);
}

bool UsbIdList::Lists(uint16_t idVendor, uint16_t idProduct) const
{
    return std::find(ids.begin(), ids.end(), std::make_pair(idVendor, idProduct)) != ids.end();
}

bool ParseUsbIdNumber(std::string_view text, uint16_t& value)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    if (text.empty())
        return false;
    uint32_t number = 0;
    for (char c : text) {
        int digit = c >= '0' && c <= '9' ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
        if (digit < 0 || (number = number * 16 + uint32_t(digit)) > 0xFFFF)
            return false;
    }
    value = uint16_t(number);
    return true;
}

void ParseUsbIdLine(std::string_view text, const std::string& source, int line, UsbIdList& list)
{
    const std::string joined = JoinedAtColons(text.substr(0, text.find('#')));
    std::string_view rest = joined;
    while (!rest.empty()) {
        size_t start = rest.find_first_not_of(kSeparators);
        if (start == std::string_view::npos)
            break;
        rest.remove_prefix(start);
        std::string_view entry = rest.substr(0, rest.find_first_of(kSeparators));
        rest.remove_prefix(entry.size());
        uint16_t idVendor = 0, idProduct = 0;
        if (ParsePair(entry, idVendor, idProduct))
            list.Add(idVendor, idProduct);
        else
            list.problems.push_back({source, line, std::string(entry), ""});
    }
}

void ParseUsbIdText(std::string_view text, const std::string& source, UsbIdList& list)
{
    ForEachLine(text, [&](std::string_view line, int number) { ParseUsbIdLine(line, source, number, list); });
}

void ReadUsbIdFile(const std::filesystem::path& path, UsbIdList& list)
{
    std::string bytes;
    if (ReadListFile(path, list, bytes))
        ParseUsbIdText(bytes, Utf8Path(path), list);
}

void ReadProfileUsbIds(const std::filesystem::path& iniFile, UsbIdList& list)
{
    constexpr std::string_view kKey = "UsbDevices";
    std::string bytes;
    if (!ReadListFile(iniFile, list, bytes))
        return;
    bool found = false;
    ForEachLine(bytes, [&](std::string_view line, int number) {
        line = Trimmed(line);
        if (found || line.substr(0, kKey.size()) != kKey)
            return;
        std::string_view value = Trimmed(line.substr(kKey.size()));
        if (value.empty() || value[0] != '=')
            return;
        value = Trimmed(value.substr(1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        found = true;
        ParseUsbIdLine(value, Utf8Path(iniFile), number, list);
    });
}
