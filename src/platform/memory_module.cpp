#include "platform/memory_module.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/bounded_bytes.h"
#include "platform/image_call.h"
#include "platform/image_memory.h"
#include "platform/system_libraries.h"
#include "platform/pe_format.h"
#include "runtime/conversion.h"

namespace kestrilo {
namespace {

// Far above any image the program has reason to map; a header that asks
// for more is broken or hostile.
constexpr std::uint64_t kMaxImageSize = std::uint64_t{256} << 20;

constexpr std::uintptr_t kProcessDetach = 0;
constexpr std::uintptr_t kProcessAttach = 1;

// What the file's headers say about the image, checked against the file.
struct Layout {
  pe::NtHeaders32 headers;
  std::vector<pe::SectionHeader> sections;
  std::uint64_t header_bytes;  // DOS header, PE headers and section table
  std::uint64_t image_size;
};

std::optional<Layout> ReadLayout(const BoundedBytes& file) {
  const auto dos = file.Read<pe::DosHeader>(0);
  if (!dos || dos->e_magic != pe::kDosMagic || dos->e_lfanew < 0) return std::nullopt;
  const auto nt_offset = static_cast<std::uint64_t>(dos->e_lfanew);
  const auto headers = file.Read<pe::NtHeaders32>(nt_offset);
  if (!headers || headers->signature != pe::kPeSignature ||
      (headers->file_header.characteristics & pe::kExecutableImage) == 0) {
    return std::nullopt;
  }
  const std::uint64_t section_table = nt_offset + sizeof(pe::NtHeaders32);
  const unsigned count = headers->file_header.number_of_sections;
  Layout layout{*headers, {}, section_table + sizeof(pe::SectionHeader) * count, 0};
  if (!file.Contains(0, layout.header_bytes)) return std::nullopt;

  const pe::OptionalHeader32& optional = headers->optional_header;
  const std::uint64_t alignment = optional.section_alignment;
  if (alignment == 0) return std::nullopt;
  // Never smaller than the headers copied to its start.
  std::uint64_t image_size = std::max<std::uint64_t>(optional.size_of_image, layout.header_bytes);
  layout.sections.reserve(count);
  for (unsigned i = 0; i < count; ++i) {
    const auto section =
        *file.Read<pe::SectionHeader>(section_table + sizeof(pe::SectionHeader) * i);
    // Only the low 16 bits of the virtual size count here, as they always
    // have for this loader; SizeOfImage covers a larger section anyway.
    const std::uint64_t end =
        std::uint64_t{section.virtual_address} +
        std::max<std::uint64_t>(section.size_of_raw_data, section.virtual_size & 0xFFFF);
    image_size = std::max(image_size, alignment * ((end + alignment - 1) / alignment));
    if (section.size_of_raw_data > 0 && section.virtual_address != 0 &&
        !file.Contains(section.pointer_to_raw_data, section.size_of_raw_data)) {
      return std::nullopt;
    }
    layout.sections.push_back(section);
  }
  if (image_size > kMaxImageSize) return std::nullopt;
  // A DLL's entry point gets called: outside the image it would be a jump
  // into whatever memory lies there.
  if ((headers->file_header.characteristics & pe::kDll) != 0 &&
      optional.address_of_entry_point >= image_size) {
    return std::nullopt;
  }
  layout.image_size = image_size;
  return layout;
}

// Adds `delta` to every 32-bit (HIGHLOW) target; other kinds are skipped.
// The list ends at a block whose page address is 0.
bool ApplyRelocations(const WritableBoundedBytes& image, std::uint32_t directory,
                      std::uint32_t delta) {
  // Each block moves the offset on by at least its 8-byte header, so the
  // walk leaves the image, and fails, rather than go round for ever.
  for (std::uint64_t offset = directory;;) {
    const auto block = image.Read<pe::RelocationBlock>(offset);
    if (!block) return false;
    if (block->page_address == 0) return true;
    if (block->block_size < sizeof(pe::RelocationBlock) ||
        !image.Contains(offset, block->block_size)) {
      return false;
    }
    const std::uint64_t entries = (block->block_size - sizeof(pe::RelocationBlock)) / 2;
    for (std::uint64_t i = 0; i < entries; ++i) {
      const auto entry = *image.Read<std::uint16_t>(offset + sizeof(pe::RelocationBlock) + 2 * i);
      if ((entry >> 12) != pe::kRelocationHighLow) continue;
      const std::uint64_t target = std::uint64_t{block->page_address} + (entry & 0x0FFFu);
      const auto value = image.Read<std::uint32_t>(target);
      if (!value || !image.Write(target, static_cast<std::uint32_t>(*value + delta))) return false;
    }
    offset += block->block_size;
  }
}

// Fills each descriptor's import address table in place; the original-thunk
// table is not used. The list ends at a descriptor whose FirstThunk is 0.
bool ResolveImports(const WritableBoundedBytes& image, std::uint32_t directory,
                    std::uintptr_t resolver, std::uintptr_t resolver_data) {
  for (std::uint64_t descriptor_at = directory;; descriptor_at += sizeof(pe::ImportDescriptor)) {
    const auto descriptor = image.Read<pe::ImportDescriptor>(descriptor_at);
    if (!descriptor) return false;
    if (descriptor->first_thunk == 0) return true;
    if (!image.ZeroTerminated(descriptor->name)) return false;
    const auto* dll = reinterpret_cast<const char*>(image.data() + descriptor->name);

    for (std::uint64_t thunk = descriptor->first_thunk;; thunk += sizeof(std::uint32_t)) {
      const auto entry = image.Read<std::uint32_t>(thunk);
      if (!entry) return false;
      if (*entry == 0) break;
      std::optional<std::uint16_t> ordinal;
      Text ordinal_text;
      std::uint64_t function_at = 0;
      if ((*entry & 0x80000000u) != 0) {
        ordinal = static_cast<std::uint16_t>(*entry & 0xFFFF);
        ordinal_text = ToText(std::int32_t{*ordinal});
      } else {
        function_at = std::uint64_t{*entry} + 2;  // past the 16-bit hint
        if (!image.ZeroTerminated(function_at)) return false;
      }
      const char* function = ordinal ? ordinal_text.c_str()
                                     : reinterpret_cast<const char*>(image.data() + function_at);

      std::uint32_t address = 0;
      if (resolver != 0) {
        address =
            CallAddress(resolver, {reinterpret_cast<std::uintptr_t>(dll),
                                   reinterpret_cast<std::uintptr_t>(function), resolver_data});
      }
      if (address == 0) address = ResolveFromSystemLibraries(dll, function, ordinal);
      if (address == 0 || !image.Write(thunk, address)) return false;
    }
  }
}

}  // namespace

MemoryModule::MemoryModule() : mapping_(std::make_shared<Mapping>()) {}

bool MemoryModule::Load(std::span<const std::uint8_t> image, std::uintptr_t resolver,
                        std::uintptr_t resolver_data) {
  if (!Free()) return false;
  const BoundedBytes file(image.data(), image.size());
  const std::optional<Layout> layout = ReadLayout(file);
  if (!layout) return false;
  const pe::OptionalHeader32& optional = layout->headers.optional_header;
  const auto size = static_cast<std::size_t>(layout->image_size);

  std::uint8_t* const memory = MapImageMemory(optional.image_base, size);
  if (memory == nullptr) return false;
  const auto release = [&] {
    UnmapImageMemory(memory, size);
    return false;
  };
  const WritableBoundedBytes mapped(memory, size);
  const auto base = reinterpret_cast<std::uintptr_t>(memory);

  mapped.CopyIn(0, image.data(), layout->header_bytes);
  for (const pe::SectionHeader& section : layout->sections) {
    // Sections without raw data stay as the fresh mapping left them: zero.
    if (section.size_of_raw_data == 0 || section.virtual_address == 0) continue;
    if (!mapped.CopyIn(section.virtual_address, image.data() + section.pointer_to_raw_data,
                       section.size_of_raw_data)) {
      return release();
    }
  }

  // Applied even at the preferred base, where every value is rewritten as
  // it was.
  const pe::DataDirectory& relocations = optional.data_directory[pe::kRelocationDirectory];
  if (relocations.size > 0 &&
      !ApplyRelocations(mapped, relocations.virtual_address,
                        static_cast<std::uint32_t>(base - optional.image_base))) {
    return release();
  }
  const pe::DataDirectory& imports = optional.data_directory[pe::kImportDirectory];
  if (imports.size > 0 &&
      !ResolveImports(mapped, imports.virtual_address, resolver, resolver_data)) {
    return release();
  }

  const bool dll = (layout->headers.file_header.characteristics & pe::kDll) != 0;
  if (dll) {
    // A null instance handle, not the base: the engine was always attached
    // this way.
    const std::uintptr_t entry = base + optional.address_of_entry_point;
    if (CallAddress(entry, {0, kProcessAttach, 0}) == 0) {
      CallAddress(entry, {0, kProcessDetach, 0});
      return release();
    }
  }
  *mapping_ = Mapping{base, size, optional.address_of_entry_point, dll};
  return true;
}

bool MemoryModule::Free() {
  Mapping& mapping = *mapping_;
  if (mapping.base == 0) return true;
  // The entry point and kind recorded at load, not re-read from headers the
  // image's own code may have rewritten since.
  if (mapping.dll) CallAddress(mapping.base + mapping.entry_point, {0, kProcessDetach, 0});
  if (!UnmapImageMemory(reinterpret_cast<void*>(mapping.base), mapping.size)) return false;
  mapping = Mapping{};
  return true;
}

std::uintptr_t MemoryModule::GetProc(const Text& name) const {
  const Mapping& mapping = *mapping_;
  if (mapping.base == 0) return 0;
  const BoundedBytes image(reinterpret_cast<const std::uint8_t*>(mapping.base), mapping.size);
  const auto dos = image.Read<pe::DosHeader>(0);
  if (!dos || dos->e_magic != pe::kDosMagic || dos->e_lfanew < 0) return 0;
  const auto headers = image.Read<pe::NtHeaders32>(static_cast<std::uint64_t>(dos->e_lfanew));
  if (!headers || headers->signature != pe::kPeSignature) return 0;
  const pe::DataDirectory& directory =
      headers->optional_header.data_directory[pe::kExportDirectory];
  if (directory.size == 0) return 0;
  const auto exports = image.Read<pe::ExportDirectory>(directory.virtual_address);
  if (!exports) return 0;

  const auto function_at = [&](std::uint64_t index) -> std::uintptr_t {
    const auto rva =
        image.Read<std::uint32_t>(std::uint64_t{exports->address_of_functions} + 4 * index);
    // An address outside the image would send the caller into unrelated
    // memory.
    if (!rva || *rva == 0 || *rva >= image.size()) return 0;
    return mapping.base + *rva;
  };

  const std::int32_t number = ToInt(name);
  if (ToText(number) == name) {
    const std::int64_t index = std::int64_t{number} - exports->base;
    if (index < 0 || index >= exports->number_of_functions) return 0;
    return function_at(static_cast<std::uint64_t>(index));
  }
  // Names are found through the name-pointer table; nothing says a linker
  // put them one after another in memory.
  for (std::uint64_t i = 0; i < exports->number_of_names; ++i) {
    const auto name_rva =
        image.Read<std::uint32_t>(std::uint64_t{exports->address_of_names} + 4 * i);
    const auto ordinal =
        image.Read<std::uint16_t>(std::uint64_t{exports->address_of_name_ordinals} + 2 * i);
    if (!name_rva || !ordinal) return 0;
    // Offset 0 is the DOS header, never a name: the table has ended. Without
    // this a hostile count walks the whole zero-filled rest of the image, a
    // read for every four bytes of up to 256 MiB, on every lookup.
    if (*name_rva == 0) return 0;
    if (*ordinal < exports->number_of_functions && image.HoldsText(*name_rva, name)) {
      return function_at(*ordinal);
    }
  }
  return 0;
}

std::uintptr_t MemoryModule::EntryPoint() const {
  return mapping_->base == 0 ? 0 : mapping_->base + mapping_->entry_point;
}

std::uintptr_t MemoryModule::Base() const { return mapping_->base; }

std::uint32_t ApplySkin(const MemoryModule& module, std::span<const std::uint8_t> skin) {
  const std::uintptr_t attach = module.GetProc("SkinH_AttachRes");
  if (attach == 0) return 0;
  // The skin and its length, a null text pointer and three zeros the engine
  // takes; the last four zeros it does not take.
  return CallAddress(attach, {reinterpret_cast<std::uintptr_t>(skin.data()), skin.size()});
}

}  // namespace kestrilo
