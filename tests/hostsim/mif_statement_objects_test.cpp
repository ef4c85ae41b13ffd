// The table of statements read and the objects they became: every entry is
// found again after the table has grown many times over, and only those.
#include "hostsim/mif/mif_statement_objects.h"

#include <gtest/gtest.h>

TEST(MifStatementObjects, FindsEveryStatementAndObjectAfterGrowing) {
    std::vector<MifNode> statements(5000);
    MifStatementObjects table;
    EXPECT_EQ(table.ObjectOf(&statements[0]), 0u);
    EXPECT_EQ(table.StatementOf(1), nullptr);
    // Every other statement becomes an object, ids not in statement order.
    for (size_t i = 0; i < statements.size(); i += 2) table.Set(&statements[i], ObjId(7 + (i * 37) % 9001));
    EXPECT_EQ(table.size(), 2500u);
    for (size_t i = 0; i < statements.size(); ++i) {
        ObjId id = ObjId(7 + (i * 37) % 9001);
        EXPECT_EQ(table.ObjectOf(&statements[i]), i % 2 ? 0 : id) << i;
        if (i % 2 == 0) {
            EXPECT_EQ(table.StatementOf(id), &statements[i]) << i;
        }
    }
    EXPECT_EQ(table.StatementOf(9100), nullptr);
    // A statement set again takes its new object, and its old one no longer
    // leads to it; a table anchored twice leads back to the statement set last.
    table.Set(&statements[0], 3);
    table.Set(&statements[1], 3);
    EXPECT_EQ(table.size(), 2501u);
    EXPECT_EQ(table.ObjectOf(&statements[0]), 3u);
    EXPECT_EQ(table.StatementOf(3), &statements[1]);
    EXPECT_EQ(table.StatementOf(7), nullptr);
}
