// The hand-written WebView2 declarations against the committed facts table: every declared
// interface exists there with the same IID and base, and its methods sit at the slots the
// runtime expects. A missing, added or swapped line, or one wrong IID digit, is reported; the
// mutations below show that the check sees each of those faults.

#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace pagolux {
namespace {

struct Interface {
    std::string iid;
    std::string base;
    std::vector<std::string> methods; // own methods in vtable order
    int firstSlot = 3;                // slot of the first own method
};

using Table = std::map<std::string, Interface>;

Table readFacts(const std::string& text)
{
    Table table;
    std::istringstream in(text);
    std::string line;
    Interface* current = nullptr;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string first;
        if (!(words >> first) || first[0] == '#')
            continue;
        if (first == "interface") {
            std::string name;
            Interface entry;
            words >> name >> entry.iid >> entry.base;
            current = &(table[name] = entry);
            continue;
        }
        std::string method;
        words >> method;
        if (current->methods.empty())
            current->firstSlot = std::stoi(first);
        current->methods.push_back(method);
    }
    return table;
}

// The interfaces of the header: structs with their methods, and the IIDs given to them.
Table readHeader(const std::string& text)
{
    Table table;
    const std::regex structRe(R"(struct (\w+) : (\w+) \{([^}]*)\};)");
    const std::regex methodRe(R"(STDMETHODCALLTYPE\s+(\w+)\s*\()");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), structRe); it != std::sregex_iterator();
         ++it) {
        Interface entry;
        entry.base = (*it)[2];
        const std::string body = (*it)[3];
        for (auto m = std::sregex_iterator(body.begin(), body.end(), methodRe); m != std::sregex_iterator();
             ++m)
            entry.methods.push_back((*m)[1]);
        table[(*it)[1]] = entry;
    }
    const std::regex iidRe(R"(PAGOLUX_WV2_IID\((\w+),\s*((?:0x[0-9a-fA-F]+,\s*){10}0x[0-9a-fA-F]+)\))");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), iidRe); it != std::sregex_iterator();
         ++it) {
        std::vector<unsigned long> n;
        std::istringstream numbers(std::regex_replace(std::string((*it)[2]), std::regex(","), " "));
        std::string word;
        while (numbers >> word)
            n.push_back(std::stoul(word, nullptr, 16));
        char iid[40];
        std::snprintf(iid, sizeof iid, "%08lx-%04lx-%04lx-%02lx%02lx-%02lx%02lx%02lx%02lx%02lx%02lx", n[0],
                      n[1], n[2], n[3], n[4], n[5], n[6], n[7], n[8], n[9], n[10]);
        table[(*it)[1]].iid = iid;
    }
    return table;
}

// Every difference between the header's declarations and the facts, one line each.
std::vector<std::string> problems(const std::string& header, const Table& facts)
{
    std::vector<std::string> out;
    const Table declaredTable = readHeader(header);
    for (const auto& [name, declared] : declaredTable) {
        const auto fact = facts.find(name);
        if (fact == facts.end()) {
            out.push_back(name + ": not in the facts table");
            continue;
        }
        if (declared.iid != fact->second.iid)
            out.push_back(name + ": IID " + declared.iid + " instead of " + fact->second.iid);
        if (declared.base != fact->second.base)
            out.push_back(name + ": base " + declared.base + " instead of " + fact->second.base);
        // An interface's own methods follow all of its base's: a base declared only in part
        // moves every one of them to a lower slot.
        if (const auto base = declaredTable.find(declared.base), baseFact = facts.find(declared.base);
            base != declaredTable.end() && baseFact != facts.end() &&
            base->second.methods.size() != baseFact->second.methods.size())
            out.push_back(name + ": base " + declared.base + " declares " +
                          std::to_string(base->second.methods.size()) + " of its " +
                          std::to_string(baseFact->second.methods.size()) + " methods");
        const auto& want = fact->second.methods;
        if (declared.methods.empty())
            out.push_back(name + ": no methods declared");
        for (std::size_t i = 0; i < declared.methods.size(); ++i) {
            const int slot = fact->second.firstSlot + static_cast<int>(i);
            if (i >= want.size())
                out.push_back(name + ": slot " + std::to_string(slot) + " " + declared.methods[i] +
                              " beyond the interface");
            else if (declared.methods[i] != want[i])
                out.push_back(name + ": slot " + std::to_string(slot) + " is " + want[i] + ", declared " +
                              declared.methods[i]);
        }
    }
    return out;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string s;
    for (const auto& l : lines)
        s += l + "\n";
    return s;
}

class WebView2AbiTest : public ::testing::Test {
  protected:
    const std::string header = test::readFile(PAGOLUX_SOURCE_DIR "/viewer/windows/WebView2Abi.h");
    const Table facts =
        readFacts(test::readFile(PAGOLUX_SOURCE_DIR "/tests/viewer/windows/WebView2Facts.txt"));
};

TEST_F(WebView2AbiTest, DeclarationsMatchTheFacts)
{
    const Table declared = readHeader(header);
    // The viewer's own path needs at least these; each must be declared with its IID.
    for (const char* name :
         {"ICoreWebView2Environment", "ICoreWebView2Controller", "ICoreWebView2", "ICoreWebView2Settings",
          "ICoreWebView2WebResourceRequestedEventArgs", "ICoreWebView2WebResourceRequest",
          "ICoreWebView2NavigationStartingEventArgs", "ICoreWebView2NewWindowRequestedEventArgs",
          "ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler"}) {
        ASSERT_TRUE(declared.count(name)) << name;
        EXPECT_FALSE(declared.at(name).iid.empty()) << name;
    }
    EXPECT_EQ(facts.at("ICoreWebView2").methods.size(), 58u);
    EXPECT_EQ(joined(problems(header, facts)), "");
}

TEST_F(WebView2AbiTest, EveryKindOfFaultIsSeen)
{
    struct Row {
        const char* name;
        std::string from;
        std::string to;
        std::string expect; // a part of the reported problem
    };
    const std::vector<Row> rows = {
        {"a method left out", "    virtual HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) = 0;\n", "",
         "ICoreWebView2: slot 4 is get_Source, declared Navigate"},
        {"two methods swapped",
         "    virtual HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2* newWindow) = 0;\n"
         "    virtual HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** newWindow) = 0;\n",
         "    virtual HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** newWindow) = 0;\n"
         "    virtual HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2* newWindow) = 0;\n",
         "slot 4 is put_NewWindow, declared get_NewWindow"},
        {"one IID digit", "0x76eceacb, 0x0462", "0x76eceacb, 0x0463", "ICoreWebView2: IID 76eceacb-0463"},
        {"a wrong base", "struct ICoreWebView2Settings : IUnknown",
         "struct ICoreWebView2Settings : ICoreWebView2",
         "ICoreWebView2Settings: base ICoreWebView2 instead of IUnknown"},
        {"a base declared only in part",
         "    virtual HRESULT STDMETHODCALLTYPE remove_WindowCloseRequested(EventRegistrationToken token) = "
         "0;\n",
         "", "ICoreWebView2_2: base ICoreWebView2 declares 57 of its 58 methods"},
        {"an interface the runtime does not have", "struct ICoreWebView2Deferral;",
         "struct ICoreWebView2Made : IUnknown {\n    virtual HRESULT STDMETHODCALLTYPE Up() = 0;\n};",
         "ICoreWebView2Made: not in the facts table"},
    };
    for (const Row& row : rows) {
        const auto at = header.find(row.from);
        ASSERT_NE(at, std::string::npos) << row.name;
        std::string changed = header;
        changed.replace(at, row.from.size(), row.to);
        const std::string found = joined(problems(changed, facts));
        EXPECT_NE(found.find(row.expect), std::string::npos) << row.name << ":\n" << found;
    }
}

} // namespace
} // namespace pagolux
