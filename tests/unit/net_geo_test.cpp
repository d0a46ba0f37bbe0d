// IP geolocation: the services' answers, and ip_locate through the emulator's network with a
// loopback server behind each service's host name; the position record in memory and on the
// emulated disk, and who was asked.
#include <cstring>
#include <string>

#include "common/persist.h"
#include "common/records.h"
#include "emu_fixture.h"
#include "http_server.h"
#include "net/geo.h"

using emu_test::EmuTest;
using emu_test::read_file;
using scenario::HttpReply;
using scenario::HttpServer;

namespace {

constexpr int32_t NOW = 1796933730; // the emulator's clock, 2026-12-10 20:15:30

std::string service1_answer(const std::string& city = "<city>Munich</city>\n") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<query>\n<status>success</status>\n"
           "<country>Germany</country>\n<countryCode>DE</countryCode>\n<region>BY</region>\n"
           "<regionName>Bavaria</regionName>\n" +
           city +
           "<zip>80331</zip>\n<lat>48.1</lat>\n<lon>11.6</lon>\n"
           "<timezone>Europe/Berlin</timezone>\n<isp>Vodafone Kabel Deutschland</isp>\n"
           "<query>93.184.216.34</query>\n</query>\n";
}

std::string service2_answer() {
    return "<Response>\n<IP>2001:db8::1</IP>\n<CountryCode>AT</CountryCode>\n"
           "<CountryName>Austria</CountryName>\n<RegionCode>9</RegionCode>\n"
           "<RegionName>Vienna</RegionName>\n<City>Vienna</City>\n"
           "<TimeZone>Europe/Vienna</TimeZone>\n<Latitude>48.2</Latitude>\n"
           "<Longitude>16.37</Longitude>\n</Response>\n";
}

HttpReply xml(const std::string& body) {
    HttpReply r;
    r.head = "HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
             std::to_string(body.size()) + "\r\nDate: Thu, 10 Dec 2026 19:15:30 GMT\r\n";
    r.body = body;
    return r;
}

std::string field(const char* text, size_t size) {
    return std::string(text, strnlen(text, size));
}

class Geo : public EmuTest {
  protected:
    void SetUp() override {
        EmuTest::SetUp();
        position = position_record{};
        ip_locate_forget();
    }
    void TearDown() override {
        position = position_record{};
        ip_locate_forget();
        EmuTest::TearDown();
    }
    // The services behind their host names; a port of 0 leaves a service out of the network.
    void serve(int port1, int port2) {
        emu->state().hosts = {tapsim::HostPorts{GEO_HOST_1, port1, 0, {}},
                              tapsim::HostPorts{GEO_HOST_2, port2, 0, {}}};
    }
    // A port where nothing listens.
    static int dead_port() {
        HttpServer gone(HttpReply{});
        return gone.port();
    }
    position_record stored() const {
        position_record r{};
        const std::string b = read_file(settings_file("TovakRC.pos"));
        if (b.size() == POSITION_RECORD_SIZE)
            position_from_bytes(reinterpret_cast<const uint8_t*>(b.data()), &r);
        return r;
    }
    void locate_munich_before() {
        std::strcpy(position.city, "Oldtown");
        position.latitude = 10;
        position.longitude = 20;
        position.provider = 3;
        position.service = 1;
    }
};

} // namespace

TEST(GeoAnswer, BothServices) {
    geo_answer a;
    const std::string one = service1_answer();
    ASSERT_TRUE(geo_answer_read(one.data(), one.size(), 1, &a));
    EXPECT_STREQ(a.ip, "93.184.216.34");
    EXPECT_STREQ(a.country, "Germany");
    EXPECT_STREQ(a.country_code, "DE");
    EXPECT_STREQ(a.region, "Bavaria");
    EXPECT_STREQ(a.region_code, "BY");
    EXPECT_STREQ(a.time_zone, "Europe/Berlin");
    EXPECT_STREQ(a.city, "Munich");
    EXPECT_TRUE(a.has_latitude && a.has_longitude);
    EXPECT_FLOAT_EQ(a.latitude, 48.1f);
    EXPECT_FLOAT_EQ(a.longitude, 11.6f);
    EXPECT_EQ(a.provider, 2) << "Vodafone before Kabel";
    const std::string two = service2_answer();
    ASSERT_TRUE(geo_answer_read(two.data(), two.size(), 2, &a));
    EXPECT_STREQ(a.ip, "2001:db8::1");
    EXPECT_STREQ(a.region_code, "9");
    EXPECT_STREQ(a.city, "Vienna");
    EXPECT_FLOAT_EQ(a.longitude, 16.37f);
    EXPECT_EQ(a.provider, 0);
    EXPECT_FALSE(geo_answer_read(two.data(), two.size(), 1, &a)) << "the other service's tags";
}

TEST(GeoAnswer, UnusableAnswers) {
    const struct {
        const char* what;
        std::string answer;
        bool usable;
        const char* city;
        bool has_latitude;
        int provider;
    } cases[] = {
        {"no IP", "<city>X</city>\n", false, "", false, 0},
        {"empty IP", "<query></query>\n", false, "", false, 0},
        {"mark-up in the IP", "<query>1.2.3.4<b>x</b></query>\n", true, "", false, 0},
        {"a script in the IP", "<query>1.2.3.4 onload=x</query>\n", false, "", false, 0},
        {"an over-long city",
         "<query>1.2.3.4</query>\n<city>" + std::string(300, 'c') + "</city>\n", true,
         "cccccccccccccccccccccccc", false, 0},
        {"latitude not a number", "<query>1.2.3.4</query>\n<lat>north</lat>\n", true, "", false, 0},
        {"latitude beyond the pole", "<query>1.2.3.4</query>\n<lat>91</lat>\n", true, "", false, 0},
        {"latitude NaN", "<query>1.2.3.4</query>\n<lat>nan</lat>\n", true, "", false, 0},
        {"Telekom", "<query>1.2.3.4</query>\n<isp>Deutsche TELEKOM AG</isp>\n", true, "", false, 1},
        {"Kabel", "<query>1.2.3.4</query>\n<isp>Kabel Deutschland</isp>\n", true, "", false, 3},
        {"other", "<query>1.2.3.4</query>\n<isp>Acme</isp>\n", true, "", false, 0},
        {"binary", std::string("<query>1.2.3.4</query>\n\0\xff<lat>1</lat>\n\x01<lon>2</lon>", 48),
         true, "", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        geo_answer a;
        ASSERT_EQ(geo_answer_read(c.answer.data(), c.answer.size(), 1, &a), c.usable);
        if (!c.usable) continue;
        EXPECT_STREQ(a.city, c.city);
        EXPECT_EQ(a.has_latitude, c.has_latitude);
        EXPECT_EQ(a.provider, c.provider);
    }
}

TEST(GeoAnswer, FullTextsFillTheirFieldsUnterminated) {
    position_record r{};
    std::strcpy(r.city, "Oldtown");
    std::strcpy(r.region, "Old region");
    geo_answer a{};
    std::memset(a.country_code, 'C', 8);
    std::strcpy(a.city, "Neustadt");
    geo_answer_apply(a, 2, &r);
    EXPECT_EQ(field(r.country_code, 8), "CCCCCCCC");
    EXPECT_EQ(r.region[0] == 0 ? "" : r.region, std::string("Old region")) << "empty: kept";
    EXPECT_STREQ(r.city, "Neustadt");
    EXPECT_EQ(r.service, 2);
}

TEST_F(Geo, ModeZeroWithAStoredLocationAsksNobody) {
    HttpServer one(xml(service1_answer()));
    serve(one.port(), one.port());
    position.latitude = 48.1f;
    EXPECT_EQ(ip_locate(0), nullptr);
    position.latitude = 0;
    position.query_time = NOW - 86399; // asked less than a day ago
    EXPECT_EQ(ip_locate(0), nullptr);
    EXPECT_EQ(calls_named("connect"), 0);
    EXPECT_TRUE(one.requests().empty());
}

TEST_F(Geo, ModeZeroAsksWhenNoLocationIsKnown) {
    HttpServer one(xml(service1_answer()));
    serve(one.port(), 0);
    position.query_time = NOW - 86400; // 0/0 is no location; a day has passed
    std::strcpy(position.city, "Oldtown");
    const char* ip = ip_locate(0);
    ASSERT_NE(ip, nullptr);
    EXPECT_STREQ(ip, "93.184.216.34");
    ASSERT_EQ(one.requests().size(), 1u);
    EXPECT_EQ(one.requests()[0],
              "GET /xml HTTP/1.0\r\nHost: ip-api.com\r\nUser-Agent: Homebrew\r\n\r\n");
    const position_record r = stored();
    EXPECT_STREQ(r.city, "Munich");
    EXPECT_STREQ(r.country, "Germany");
    EXPECT_EQ(field(r.time_zone, 32), "Europe/Berlin");
    EXPECT_FLOAT_EQ(r.latitude, 48.1f);
    EXPECT_FLOAT_EQ(r.longitude, 11.6f);
    EXPECT_EQ(r.query_time, NOW);
    EXPECT_EQ(r.provider, 2);
    EXPECT_EQ(r.service, 1);
    // The address is kept for the run: mode -1 asks nobody.
    EXPECT_STREQ(ip_locate(-1), "93.184.216.34");
    EXPECT_EQ(one.requests().size(), 1u);
}

TEST_F(Geo, ServiceOneDownServiceTwoAnswers) {
    HttpServer two(xml(service2_answer()));
    serve(dead_port(), two.port());
    position.provider = 3;
    EXPECT_STREQ(ip_locate(0), "2001:db8::1");
    ASSERT_EQ(two.requests().size(), 1u);
    EXPECT_EQ(two.requests()[0].substr(0, 15), "GET /xml/ HTTP/");
    EXPECT_EQ(position.service, 2);
    EXPECT_EQ(position.provider, 3) << "service 2 leaves the provider class";
    EXPECT_STREQ(position.city, "Vienna");
    EXPECT_EQ(stored().service, 2);
}

TEST_F(Geo, ModesOneAndTwoReplaceTheLocation) {
    locate_munich_before();
    HttpServer one(xml(service1_answer("")));
    HttpServer two(xml(service2_answer()));
    serve(one.port(), two.port());
    EXPECT_STREQ(ip_locate(1), "93.184.216.34");
    EXPECT_FLOAT_EQ(position.latitude, 48.1f);
    EXPECT_STREQ(position.city, "Oldtown") << "an answer without a city keeps the city";
    EXPECT_EQ(position.provider, 2);
    EXPECT_TRUE(two.requests().empty());
    EXPECT_STREQ(ip_locate(2), "2001:db8::1");
    EXPECT_STREQ(position.city, "Vienna");
    EXPECT_FLOAT_EQ(position.longitude, 16.37f);
    EXPECT_EQ(one.requests().size(), 1u) << "mode 2 asks service 2 only";
    EXPECT_EQ(stored().service, 2);
}

TEST_F(Geo, StoredLocationIsKeptByAnAnswerInModeMinusOne) {
    locate_munich_before();
    HttpServer one(xml(service1_answer()));
    serve(one.port(), 0);
    EXPECT_STREQ(ip_locate(-1), "93.184.216.34");
    EXPECT_FLOAT_EQ(position.latitude, 10) << "a known location stays";
    EXPECT_STREQ(position.city, "Oldtown");
    EXPECT_EQ(position.provider, 2) << "the provider class follows the answer";
}

TEST_F(Geo, FailuresLeaveTheRecord) {
    locate_munich_before();
    HttpReply not_xml = xml("<html>busy</html>\n");
    HttpServer one(not_xml);
    HttpServer two(xml(service2_answer()));
    serve(one.port(), two.port());
    EXPECT_STREQ(ip_locate(1), "") << "mode 1 does not fall back";
    EXPECT_TRUE(two.requests().empty());
    EXPECT_STREQ(position.city, "Oldtown");
    EXPECT_EQ(position.query_time, NOW) << "the attempt counts";
    EXPECT_FALSE(std::filesystem::exists(settings_file("TovakRC.pos"))) << "nothing saved";
    serve(dead_port(), dead_port());
    EXPECT_STREQ(ip_locate(-1), "");
    EXPECT_STREQ(ip_locate(3), "");
    EXPECT_EQ(position.service, 1);
}

// How Infos & Tools and the system infos reach the geolocation: through the window opener.
TEST_F(Geo, TheActionOfTheWindowOpener) {
    HttpServer one(xml(service1_answer()));
    serve(one.port(), 0);
    char ip[GEO_IP_SIZE] = "?";
    position.latitude = 1;
    EXPECT_EQ(window_ask(ACTION_LOCATE, with_answer(mode_call(0), ip, sizeof ip), 99), 0u);
    EXPECT_STREQ(ip, "") << "asked nobody";
    EXPECT_EQ(window_ask(ACTION_LOCATE, with_answer(mode_call(-1), ip, sizeof ip), 99), 1u);
    EXPECT_STREQ(ip, "93.184.216.34");
    EXPECT_EQ(one.requests().size(), 1u);
}
