#include "temp_folder.h"

#include <fstream>
#include <iterator>

void TempFolder::write(const std::string& name,
                       const std::string& contents) const {
  std::ofstream out(path() / name, std::ios::binary);
  out << contents;
}

std::string TempFolder::read(const std::string& name) const {
  std::ifstream in(path() / name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}
