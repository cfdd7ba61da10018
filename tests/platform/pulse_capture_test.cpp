// Listening gives up on a sound server that accepts and never answers, with a reason.
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "doubles/test_support.h"
#include "platform/pulse_capture.h"

namespace {

TEST(PulseCapture, AServerThatNeverAnswersIsGivenUpWithAReason) {
    // Accepts (the kernel completes the handshake from the backlog) and never says a word.
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(server, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&at), size), 0);
    ASSERT_EQ(::listen(server, 4), 0);
    ASSERT_EQ(::getsockname(server, reinterpret_cast<sockaddr*>(&at), &size), 0);
    const std::string address = "tcp:127.0.0.1:" + std::to_string(ntohs(at.sin_port));
    ziv::test::ScopedEnv pulse("PULSE_SERVER", address.c_str());
    ziv::test::ScopedEnv noSpawn("PULSE_NO_AUTOSPAWN", "1");

    const auto start = std::chrono::steady_clock::now();
    std::string why;
    PulseCapture* capture = openPulseCapture(nullptr, 44100, &why);
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    closePulseCapture(capture);
    ::close(server);
    EXPECT_EQ(capture, nullptr);
    EXPECT_EQ(why, "the sound server did not answer within 5 s");
    EXPECT_LT(waited, 30.0);   // bounded: the fault was waiting for ever
}

}  // namespace
