// Acquisition and release of the host interfaces, and the start-up calls
// on interfaces 16 and 17.
#include "host/host_interfaces.h"

#include "host/call_layer.h"
#include "host/fake_host.h"
#include "hostsim/sim_control.h"
#include "hostsim/sim_server.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> Range(int first, int last) {
    std::vector<int> numbers;
    for (int k = first; k <= last; ++k) numbers.push_back(k);
    return numbers;
}

TEST(HostInterfaces, AsksForAllEighteenInOrderAndReleasesThem) {
    fake::Host host;
    host.refuse[7] = true;
    ASSERT_EQ(HostAcquireInterfaces(&host.server), 1);
    EXPECT_EQ(host.asked, Range(1, 18));
    EXPECT_EQ(HostInterfaces[7], nullptr);
    EXPECT_EQ(HostInterfaces[18], &host.interfaces[18]);
    EXPECT_EQ(host.interfaces[4].references, 1u);

    HostReleaseInterfaces();
    for (int k = 1; k <= HostInterfaceCount; ++k) {
        EXPECT_EQ(HostInterfaces[k], nullptr) << k;
        EXPECT_EQ(host.interfaces[k].references, 0u) << k;
    }
    HostErrorCode = 0;
    EXPECT_EQ(HostGetIdProp(0, 0, PropActiveDocument), 0u);
    EXPECT_EQ(HostErrorCode, -1);
    HostErrorCode = 0;
}

TEST(HostInterfaces, WithoutTheMainInterfaceTheLastThreeAreNotAsked) {
    fake::Host host;
    host.refuse[HostMainInterfaceNumber] = true;
    EXPECT_EQ(HostAcquireInterfaces(&host.server), 0);
    EXPECT_EQ(host.asked, Range(1, 15));
    EXPECT_EQ(HostInterfaces[5], &host.interfaces[5]) << "the other answers stay stored";
    HostReleaseInterfaces();
    EXPECT_EQ(host.interfaces[5].references, 0u);

    EXPECT_EQ(HostAcquireInterfaces(nullptr), 0);
}

TEST(HostInterfaces, AskingAgainLetsGoOfTheAnswersKeptFromAFailedStart) {
    fake::Host host;
    host.refuse[HostMainInterfaceNumber] = true;
    ASSERT_EQ(HostAcquireInterfaces(&host.server), 0);
    host.refuse[HostMainInterfaceNumber] = false;
    ASSERT_EQ(HostAcquireInterfaces(&host.server), 1);
    for (int k = 1; k <= HostInterfaceCount; ++k)
        EXPECT_EQ(host.interfaces[k].references, 1u) << k;
    HostReleaseInterfaces();
    for (int k = 1; k <= HostInterfaceCount; ++k) EXPECT_EQ(host.interfaces[k].references, 0u) << k;
}

TEST(HostInterfaces, ResultOwnershipAndInstanceHandle) {
    fake::Host host;
    ASSERT_EQ(HostAcquireInterfaces(&host.server), 1);
    HostKeepsResults = 0;
    host.keepResultsAnswer = S_FALSE;
    HostDecideResultOwnership();
    EXPECT_EQ(HostKeepsResults, 0) << "only S_OK hands the blocks to the host";
    EXPECT_EQ(host.calls.back(), std::make_pair(16, 3));

    int module = 0;
    HostPassInstance(&module);
    EXPECT_EQ(host.instance, &module);
    EXPECT_EQ(host.calls.back(), std::make_pair(17, 3));
    HostReleaseInterfaces();

    // Nothing to ask when the interfaces are absent.
    HostDecideResultOwnership();
    HostPassInstance(&module);
    EXPECT_EQ(HostKeepsResults, 0);
    EXPECT_EQ(host.calls.size(), 2u);
}

// The simulated host serves every interface the plug-in asks for, by the
// plug-in's own identifiers: one it does not know would quietly stay null.
TEST(HostInterfaces, TheSimulatedHostServesAllEighteen) {
    SimServer* server = SimServerCreate();
    ASSERT_EQ(HostAcquireInterfaces(SimServerUnknown(server)), 1);
    for (int k = 1; k <= HostInterfaceCount; ++k) {
        EXPECT_NE(HostInterfaces[k], nullptr) << "interface " << k;
        EXPECT_EQ(SimServerControl(server).queries[k], 1u) << "interface " << k;
    }
    HostReleaseInterfaces();
    SimServerRelease(server);
}

} // namespace
