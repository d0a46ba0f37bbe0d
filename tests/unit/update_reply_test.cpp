// The HD TAP's reader of the update server's answer header.
#include <gtest/gtest.h>

#include <string>

#include "update_reply.h"

namespace {

update_reply parsed(const std::string& block) {
    update_reply r;
    update_reply_parse(block.data(), block.size(), &r);
    return r;
}

} // namespace

TEST(UpdateReply, ReadsStatusLengthDateAndBody) {
    struct Case {
        const char* name;
        std::string block;
        int status;
        long length;
        const char* date;
        const char* body; // the bytes behind the header, null without a header end
    } cases[] = {
        {"usual answer",
         "HTTP/1.0 200 OK\r\nContent-Length: 12345\r\nLast-Modified: Fri, 18 Mar 2016 23:28:16 "
         "GMT\r\n\r\nBODY",
         200, 12345, "18 Mar 2016 23:28:16 GMT", "BODY"},
        {"bare line ends", "HTTP/1.1 404 Not Found\nLast-Modified: Mon,7 Jan 2019 1:2:3\n\nx", 404,
         -1, "7 Jan 2019 1:2:3", "x"},
        {"no comma in the date", "HTTP/1.0 200 OK\r\nLast-Modified: 18 Mar 2016\r\n\r\n", 200, -1,
         "", ""},
        {"date line without its end", "HTTP/1.0 200 OK\r\nLast-Modified: Fri, 18 Mar", 200, -1, "",
         nullptr},
        {"fields behind the header are body", "HTTP/1.0 200 OK\r\n\r\nContent-Length: 99999\r\n",
         200, -1, "", "Content-Length: 99999\r\n"},
        {"no status", "garbage\r\n\r\n", 0, -1, "", ""},
        {"status out of range", "HTTP/1.0 99999 X\r\n\r\n", 0, -1, "", ""},
        {"length unreadable", "HTTP/1.0 200 OK\r\nContent-Length: many\r\n\r\n", 200, -1, "", ""},
        {"length too large", "HTTP/1.0 200 OK\r\nContent-Length: 99999999999999\r\n\r\n", 200, -1,
         "", ""},
        {"empty", "", 0, -1, "", nullptr},
    };
    for (const Case& c : cases) {
        const update_reply r = parsed(c.block);
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.length, c.length) << c.name;
        EXPECT_STREQ(r.date, c.date) << c.name;
        if (c.body)
            EXPECT_EQ(r.body ? c.block.substr(r.body) : "no header end", c.body) << c.name;
        else
            EXPECT_EQ(r.body, 0u) << c.name;
    }
}

TEST(UpdateReply, LongDatesAreCutAndBytesBehindNulsAreNotRead) {
    const std::string long_date =
        "HTTP/1.0 200 OK\r\nLast-Modified: x, " + std::string(300, '7') + "\r\n\r\n";
    const update_reply r = parsed(long_date);
    EXPECT_EQ(std::string(r.date), std::string(sizeof r.date - 1, '7'));
    // A NUL inside the header does not end the search; the block's length does.
    std::string with_nul = "HTTP/1.0 200 OK\r\n";
    with_nul += '\0';
    with_nul += "Content-Length: 20000\r\n\r\n";
    EXPECT_EQ(parsed(with_nul).length, 20000);
    EXPECT_EQ(parsed(with_nul.substr(0, 30)).length, -1);
}
