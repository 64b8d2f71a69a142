#pragma once

// Device records as literal octets, written field by field from the record's
// layout, never by the code under test: the virtual device's three models and
// the odd records the protocol tests need. Each is 116 octets.

#include <QByteArray>

#include <cstdio>
#include <cstdlib>

namespace rallon::golden {

// The octets of `hex`, which must make a whole record.
inline QByteArray record(const char *hex)
{
    const QByteArray octets = QByteArray::fromHex(hex);
    if (octets.size() != 116) {
        std::fprintf(stderr, "GoldenRecords.h: a record of %d octets\n", int(octets.size()));
        std::abort();
    }
    return octets;
}

// The virtual device's "wireless-password" model.
inline const QByteArray WirelessPassword = record(
    "4346473d"                                                          // CFG=
    "c0a80114"                                                          // IP 192.168.1.20
    "ffffff00"                                                          // mask 255.255.255.0
    "c0a80101"                                                          // gateway 192.168.1.1
    "484f4d4500ffffffffffffffffffffffffffffffff"                        // SSID "HOME", end, filling
    "0fa0"                                                              // primary port 4000
    "0200"                                                              // WAP (TKIP), a password
    "61626300ffffffffffffffffffffffffffffffffffffffffffffffffffffffff"  // password "abc", end, filling
    "ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff"
    "0201000009000102"                                                  // Comm 1 9600 8N1, Comm 2 115200 7O2
    "1234"                                                              // serial number 4660
    "00");                                                              // device kind: wireless

// The virtual device's "wireless-key" model: a shared key holding a line
// feed and a 0.
inline const QByteArray WirelessKey = record(
    "4346473d"                                                          // CFG=
    "0a000005"                                                          // IP 10.0.0.5
    "ff000000"                                                          // mask 255.0.0.0
    "0a000001"                                                          // gateway 10.0.0.1
    "52414c4c4f4e2d4e455400ffffffffffffffffffff"                        // SSID "RALLON-NET", end, filling
    "7ef3"                                                              // primary port 32499
    "0301"                                                              // WAP (AES), a shared key
    "1f0a00343b424950575e656c737a81888f969da4abb2b9c0c7ced5dce3eaf1f8"  // the shared key
    "ff060d141b222930373e454c535a61686f767d848b9299a0a7aeb5bcc3cad1d8"
    "0101000104010100"                                                  // Comm 1 4800 8E1, Comm 2 19200 8N2
    "0007"                                                              // serial number 7
    "00");                                                              // device kind: wireless

// The virtual device's "wired" model, with the wired filling.
inline const QByteArray Wired = record(
    "4346473d"                                                          // CFG=
    "ac100509"                                                          // IP 172.16.5.9
    "ffff0000"                                                          // mask 255.255.0.0
    "ac100001"                                                          // gateway 172.16.0.1
    "ffffffffffffffffffffffffffffffffffffffffff"                        // no SSID
    "1f90"                                                              // primary port 8080
    "ffff"                                                              // no encryption, no secret kind
    "ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff"  // no secret
    "ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff"
    "0201000002010000"                                                  // Comm 1 9600 8N1, Comm 2 9600 8N1
    "04d2"                                                              // serial number 1234
    "01");                                                              // device kind: wired

// WirelessPassword with the gateway 192.168.1.255: an address octet 255 is a
// number, not a text end.
inline const QByteArray PasswordGateway255 = record(
    "4346473d"                                                          // CFG=
    "c0a80114"                                                          // IP 192.168.1.20
    "ffffff00"                                                          // mask 255.255.255.0
    "c0a801ff"                                                          // gateway 192.168.1.255
    "484f4d4500ffffffffffffffffffffffffffffffff"                        // SSID "HOME", end, filling
    "0fa0"                                                              // primary port 4000
    "0200"                                                              // WAP (TKIP), a password
    "61626300ffffffffffffffffffffffffffffffffffffffffffffffffffffffff"  // password "abc", end, filling
    "ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff"
    "0201000009000102"                                                  // Comm 1 9600 8N1, Comm 2 115200 7O2
    "1234"                                                              // serial number 4660
    "00");                                                              // device kind: wireless

// PasswordGateway255 with a Latin-1 SSID, the largest port, WAP (AES) and a
// shared key holding the text end octets 0 and 255 (key octets 4 and 5).
inline const QByteArray KeyWithEndOctets = record(
    "4346473d"                                                          // CFG=
    "c0a80114"                                                          // IP 192.168.1.20
    "ffffff00"                                                          // mask 255.255.255.0
    "c0a801ff"                                                          // gateway 192.168.1.255
    "436166e92d4e657400ffffffffffffffffffffffff"                        // SSID "Caf\xe9-Net", end, filling
    "7ef3"                                                              // primary port 32499
    "0301"                                                              // WAP (AES), a shared key
    "01050900ff15191d2125292d3135393d4145494d5155595d6165696d7175797d"  // the shared key
    "8185898d9195999da1a5a9adb1b5b9bdc1c5c9cdd1d5d9dde1e5e9edf1f5f9fd"
    "0201000009000102"                                                  // Comm 1 9600 8N1, Comm 2 115200 7O2
    "1234"                                                              // serial number 4660
    "00");                                                              // device kind: wireless

// A wired model with port 80 and the largest serial number.
inline const QByteArray WiredPort80 = record(
    "4346473d"                                                          // CFG=
    "0a000005"                                                          // IP 10.0.0.5
    "ff000000"                                                          // mask 255.0.0.0
    "0a000001"                                                          // gateway 10.0.0.1
    "ffffffffffffffffffffffffffffffffffffffffff"                        // no SSID
    "0050"                                                              // primary port 80
    "ffff"                                                              // no encryption, no secret kind
    "ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff"  // no secret
    "ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff"
    "0900010200010001"                                                  // Comm 1 115200 7O2, Comm 2 2400 8E1
    "ffff"                                                              // serial number 65535
    "01");                                                              // device kind: wired

// WirelessPassword with the gateway 192.168.1.0 and the password "a\x1f\n":
// control characters are text.
inline const QByteArray PasswordWithControls = record(
    "4346473d"                                                          // CFG=
    "c0a80114"                                                          // IP 192.168.1.20
    "ffffff00"                                                          // mask 255.255.255.0
    "c0a80100"                                                          // gateway 192.168.1.0
    "484f4d4500ffffffffffffffffffffffffffffffff"                        // SSID "HOME", end, filling
    "0fa0"                                                              // primary port 4000
    "0200"                                                              // WAP (TKIP), a password
    "611f0a00ffffffffffffffffffffffffffffffffffffffffffffffffffffffff"  // password "a\x1f\n", end, filling
    "ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff"
    "0201000009000102"                                                  // Comm 1 9600 8N1, Comm 2 115200 7O2
    "1234"                                                              // serial number 4660
    "00");                                                              // device kind: wireless

struct Named {
    const char *name;
    const QByteArray &record;
};

// Every record above, the virtual device's models first, under their names.
inline const Named All[] = {
    {"wireless-password", WirelessPassword},
    {"wireless-key", WirelessKey},
    {"wired", Wired},
    {"password-gateway-255", PasswordGateway255},
    {"key-with-end-octets", KeyWithEndOctets},
    {"wired-port-80", WiredPort80},
    {"password-with-controls", PasswordWithControls},
};

}  // namespace rallon::golden
