// vellor-host's check of a book's documents, parsed on two threads: what
// each check finds is told in the order of the files, as checking them one
// after another tells it, whichever thread parsed which.
#ifdef VELLOR_HOST_PROGRAM
#include "apps/vellor_host/checks_in_order.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Files of MIF text, read and judged in the steps of the file store.
struct TextFiles {
    std::map<std::string, std::string> texts;
    std::string lastError;
    std::vector<std::string> warnings;
};

void TextRead(void* context, const std::string& name, MifPendingCheck* check) {
    auto* files = static_cast<TextFiles*>(context);
    check->name = check->local = name;
    auto it = files->texts.find(name);
    if (it == files->texts.end()) {
        check->status = SimStatusNotFound;
        check->error = name + ": no such file";
        return;
    }
    check->bytes = it->second;
}

int TextEnd(void* context, MifPendingCheck* check, bool* isBook) {
    auto* files = static_cast<TextFiles*>(context);
    if (check->status != SimOk) {
        files->lastError = check->error;
        return check->status;
    }
    files->warnings.insert(files->warnings.end(), check->warnings.begin(), check->warnings.end());
    *isBook = check->isBook;
    return SimOk;
}

int TextCheck(void* context, const std::string& name, bool* isBook) {
    MifPendingCheck check;
    TextRead(context, name, &check);
    MifCheckParse(&check);
    return TextEnd(context, &check, isBook);
}

std::string TextError(void* context) { return static_cast<TextFiles*>(context)->lastError; }

std::vector<std::string> TextWarnings(void* context) {
    return std::exchange(static_cast<TextFiles*>(context)->warnings, {});
}

// What a check told: the file's place, status, whether a book, the words.
struct Told {
    size_t i;
    int status;
    bool isBook;
    std::string why;
    bool operator==(const Told&) const = default;
};

int Tell(void* context, size_t i, int status, bool isBook, const std::string& why) {
    static_cast<std::vector<Told>*>(context)->push_back({i, status, isBook, why});
    return status == SimOk && !isBook;
}

TEST(StoreTapCheckInOrder, TellsEachFileInOrderAsCheckingOneAfterAnotherDoes) {
    TextFiles files;
    const std::string kinds[] = {
        "<MIFFile 2015>\n<Para <String `fine'>>\n",
        "<MIFFile 2015>\n<Para <String `kept\\n as it stands'>>\n",
        "<MIFFile 2015>\n<Para <String `unterminated>>\n",
        "<Book 7.00>\n<BookComponent <FileName `<c>ch1.mif'>>\n",
        "<MakerFile 12.0>\n",
    };
    std::vector<std::string> names;
    for (int i = 0; i < 23; ++i) {
        names.push_back("Z:\\book\\ch" + std::to_string(i) + ".mif");
        if (i % 7 != 6) files.texts[names.back()] = kinds[i % 5]; // every seventh is missing
    }
    auto makeTap = [&files, &names](bool stepped) {
        StoreTap tap;
        tap.inner.context = &files;
        tap.innerCheck = TextCheck;
        if (stepped) {
            tap.innerCheckRead = TextRead;
            tap.innerCheckEnd = TextEnd;
        }
        tap.innerError = TextError;
        tap.innerWarnings = TextWarnings;
        tap.streamed.insert(names.begin(), names.end());
        return tap;
    };
    StoreTap one = makeTap(false);
    std::vector<Told> expected;
    int expectedOk = 1;
    for (size_t i = 0; i < names.size(); ++i) {
        bool isBook = false;
        std::string why;
        int status = StoreTapCheck(one, names[i], &isBook, &why);
        expectedOk &= Tell(&expected, i, status, isBook, why);
    }
    StoreTap both = makeTap(true);
    std::vector<Told> told;
    EXPECT_EQ(StoreTapCheckInOrder(both, names, Tell, &told), expectedOk);
    EXPECT_EQ(told, expected);
    EXPECT_EQ(both.readWarnings, one.readWarnings);
    EXPECT_FALSE(one.readWarnings.empty());
}

} // namespace
#endif
