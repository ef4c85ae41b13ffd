// The host's object strings: owned copies, views, and what turns a view
// into a copy of its own.
#include "hostsim/sim_string.h"

#include <gtest/gtest.h>

#include <string>

TEST(SimString, ViewsStayViewsOnlyWhereADocumentIsShared) {
    std::string bytes = "Chapter text";
    SimString view = SimString::View(std::string_view(bytes).substr(0, 7));
    EXPECT_TRUE(view.IsView());
    EXPECT_EQ(view.data(), bytes.data());

    SimString copy = view; // a copy may outlive the bytes: it owns
    EXPECT_FALSE(copy.IsView());
    SimString shared;
    shared.ShareFrom(view);
    EXPECT_EQ(shared.data(), bytes.data());
    shared.ShareFrom(copy); // an owned string is copied, never shared
    EXPECT_FALSE(shared.IsView());
    EXPECT_NE(shared.data(), copy.data());

    view += " two"; // a change makes a view a copy of its own
    EXPECT_FALSE(view.IsView());
    bytes.assign(bytes.size(), 'x');
    EXPECT_EQ(view, "Chapter two");
    EXPECT_EQ(copy, "Chapter");
    EXPECT_EQ(shared, "Chapter");
}

TEST(SimString, PartsOfItselfAreAssignedAndAppendedWhole) {
    SimString s = "abcdef";
    s = s.substr(2); // from its own buffer
    EXPECT_EQ(s, "cdef");
    s += s.view(); // appending itself while it grows
    EXPECT_EQ(s, "cdefcdef");
    s = s.substr(0, 3);
    EXPECT_EQ(s, "cde");
    s = "";
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(s.data(), nullptr);
    SimString moved = SimString("kept");
    SimString target = std::move(moved);
    EXPECT_EQ(target, "kept");
    EXPECT_TRUE(moved.empty());
    EXPECT_EQ(std::string("x") + target, "xkept");
}
