/*
 * test_prefault.cpp - growing a list into storage faulted in ahead.
 */
#include "track/prefault.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

TEST(ReserveFaultedIn, GrowsLikeReserveAndKeepsEveryElement)
{
    struct Case {
        size_t filled, asked;
    } cases[] = {
        {0, 10},            /* small: left to fault in as written */
        {0, 1 << 20},       /* empty, large */
        {1000, 1 << 20},    /* elements move into the faulted-in storage */
        {300000, 1 << 20},  /* already large */
        {1 << 20, 1 << 10}, /* enough room: nothing moves */
    };
    for (const Case& c : cases) {
        std::vector<uint64_t> list;
        for (size_t i = 0; i < c.filled; ++i)
            list.push_back(i * 2654435761u);
        const uint64_t* before = list.data();
        size_t capacity_before = list.capacity();

        reserve_faulted_in(&list, c.asked);

        ASSERT_EQ(list.size(), c.filled);
        EXPECT_GE(list.capacity(), c.asked);
        if (c.asked <= capacity_before) {
            EXPECT_EQ(list.data(), before) << "reserving less than the room must not move";
        }
        for (size_t i = 0; i < c.filled; ++i)
            ASSERT_EQ(list[i], i * 2654435761u) << i;
        /* The new room is ordinary memory: it takes writes and keeps them. */
        while (list.size() < c.asked)
            list.push_back(list.size());
        if (c.asked > c.filled) {
            EXPECT_EQ(list.back(), c.asked - 1);
        }
    }
}

TEST(FaultIn, LeavesTheContentsOfARangeAsTheyWere)
{
    /* An odd start and length inside a heap block, so that the range is
       widened to whole pages on both sides. */
    std::vector<unsigned char> block(3 << 20);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<unsigned char>(i * 31 + 7);
    fault_in(block.data() + 4097, block.size() - 8193);
    for (size_t i = 0; i < block.size(); ++i)
        ASSERT_EQ(block[i], static_cast<unsigned char>(i * 31 + 7)) << i;
}

} // namespace
