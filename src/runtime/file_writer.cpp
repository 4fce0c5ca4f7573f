#include "runtime/file_writer.h"

#include "runtime/gbk.h"

namespace kestrilo {

bool WriteToFile(const Text& file_name, std::span<const Bytes> blocks) {
  if (file_name.empty()) return false;
  return WriteToPath(Utf8FromGbk(file_name), blocks);
}

bool WriteToFile(const Text& file_name, std::initializer_list<Bytes> blocks) {
  return WriteToFile(file_name, std::span<const Bytes>(blocks.begin(), blocks.size()));
}

}  // namespace kestrilo
