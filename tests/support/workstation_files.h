#pragma once

#include <string>

// The two files a workstation leaves in the survey folder, as its programs write them (CR LF lines).
namespace testing_support {

// A survey file in UTF-8 with its byte-order mark: host, user, address, name, telephone, building,
// floor, room.
inline std::string SurveyFile(const std::string& host, const std::string& fio = "Иванов Иван",
                              const std::string& user = "user") {
  return "\xEF\xBB\xBF" + host + "\r\n" + user + "\r\n10.0.0.1\r\n" + fio + "\r\n21-45\r\n1\r\n2\r\n3\r\n";
}

// An info file: speed, processor type, memory, processor, disk, system, version, 9x version, build,
// system id, BIOS, user, address, printer.
inline std::string InfoFile(const std::string& speed = "2400", const std::string& type = "GenuineIntel") {
  return speed + "\r\n" + type +
         "\r\n4096\r\nCPU\r\n500000\r\nWindows\r\n10.0\r\n\r\n19045\r\nID\r\nBIOS\r\nu\r\n10.0.0.9\r\nHP\r\n";
}

}  // namespace testing_support
