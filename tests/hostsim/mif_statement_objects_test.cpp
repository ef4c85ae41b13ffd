// The table of statements read and the objects they became: every entry is
// found again, whether reading met the statements in file order or not, and
// only those.
#include "hostsim/mif/mif_statement_objects.h"

#include <gtest/gtest.h>

TEST(MifStatementObjects, FindsEveryStatementAndObjectInWhateverOrderTheyWereSet) {
    std::vector<MifNode> statements(3000);
    for (size_t i = 0; i < statements.size(); ++i) statements[i].begin = uint32_t(10 * i + 1);
    statements[2998].begin = 0; // one made by the host: no place in the file
    for (bool inFileOrder : {true, false}) {
        SCOPED_TRACE(inFileOrder);
        MifStatementObjects table;
        EXPECT_EQ(table.ObjectOf(&statements[0]), 0u);
        EXPECT_EQ(table.StatementOf(1), nullptr);
        // Every other statement becomes an object; out of file order, the
        // second half of the file is read first (a flow before the pages).
        auto set = [&](size_t from, size_t to) {
            for (size_t i = from; i < to; i += 2) table.Set(&statements[i], ObjId(7 + (i * 37) % 9001));
        };
        if (inFileOrder) {
            set(0, statements.size());
        } else {
            set(1500, statements.size());
            set(0, 1500);
        }
        // A table and its anchor become the same object: it leads back to
        // the one set last.
        table.Set(&statements[1], 7);
        table.Seal();
        EXPECT_EQ(table.size(), 1501u);
        for (size_t i = 0; i < statements.size(); ++i) {
            ObjId id = ObjId(7 + (i * 37) % 9001);
            EXPECT_EQ(table.ObjectOf(&statements[i]), i == 1 ? 7 : i % 2 ? 0 : id) << i;
            if (i % 2 == 0 && i != 0) {
                EXPECT_EQ(table.StatementOf(id), &statements[i]) << i;
            }
        }
        EXPECT_EQ(table.StatementOf(7), &statements[1]);
        EXPECT_EQ(table.StatementOf(9100), nullptr);
    }
}
