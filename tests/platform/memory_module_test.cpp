#include "platform/memory_module.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

#include "platform/image_call.h"
#include "platform/image_memory.h"
#include "platform/pe_format.h"
#include "support/pe_image_builder.h"

namespace kestrilo {
namespace {

using namespace testing::pe_image;

// Never mapped: the test hook answers calls to it as the import resolver.
constexpr std::uintptr_t kResolver = 0x7E500000;
constexpr std::uintptr_t kResolverData = 0xDA7A;

// KERNEL32.dll: Sleep by name, then ordinal 7; USER32.dll: MessageBoxA.
constexpr std::uint32_t kKernelTable = 0x2240;
constexpr std::uint32_t kUserTable = 0x2260;
void AddImports(ImageBuilder& image) {
  image.SetDirectory(pe::kImportDirectory, 0x2200, 3 * sizeof(pe::ImportDescriptor));
  image.Put(0x2200, pe::ImportDescriptor{0, 0, 0, 0x2280, kKernelTable});
  image.Put(0x2214, pe::ImportDescriptor{0, 0, 0, 0x2290, kUserTable});
  image.Put32(kKernelTable, 0x22A0);
  image.Put32(kKernelTable + 4, 0x80000007);
  image.Put32(kUserTable, 0x22B0);
  image.PutText(0x2280, "KERNEL32.dll");
  image.PutText(0x2290, "USER32.dll");
  image.PutText(0x22A2, "Sleep");  // after the two-byte hint at 0x22A0
  image.PutText(0x22B2, "MessageBoxA");
}

// Two blocks: three addresses to move (0x1010, 0x1014, 0x23F0), and a
// HIGH-type entry at 0x1020 that must be left alone.
void AddRelocations(ImageBuilder& image) {
  image.SetDirectory(pe::kRelocationDirectory, 0x2300, 0x20);
  image.Put(0x2300, pe::RelocationBlock{kText, 16});
  const std::uint16_t text_entries[] = {0x3010, 0x3014, 0x1020, 0x0000};
  for (std::uint32_t i = 0; i < 4; ++i) image.Put16(0x2308 + 2 * i, text_entries[i]);
  image.Put(0x2310, pe::RelocationBlock{kData, 12});
  image.Put16(0x2318, 0x33F0);
  image.Put32(0x1010, kPreferredBase + kData);
  image.Put32(0x1014, kPreferredBase + kText);
  image.Put32(0x1020, 0x11223344);
  image.Put32(0x23F0, kPreferredBase + kBss);
}

ImageBuilder FullImage(bool dll) {
  ImageBuilder image(dll);
  AddExports(image);
  AddImports(image);
  AddRelocations(image);
  return image;
}

bool IsMapped(std::uintptr_t address) {
#ifdef _WIN32
  MEMORY_BASIC_INFORMATION region{};
  return ::VirtualQuery(reinterpret_cast<void*>(address), &region, sizeof region) != 0 &&
         region.State == MEM_COMMIT;
#else
  return msync(reinterpret_cast<void*>(address), 1, MS_ASYNC) == 0;
#endif
}

std::uint32_t Read32(std::uintptr_t address) {
  std::uint32_t value;
  std::memcpy(&value, reinterpret_cast<const void*>(address), sizeof value);
  return value;
}

struct Call {
  std::uintptr_t address;
  ImageCallArgs args;
  friend bool operator==(const Call&, const Call&) = default;
  friend void PrintTo(const Call& call, std::ostream* os) {
    *os << std::hex << call.address << "(" << call.args[0] << "," << call.args[1] << ","
        << call.args[2] << ")";
  }
};

class MemoryModuleTest : public ::testing::Test {
 protected:
  void TearDown() override {
    attach_answer = 1;
    module.Free();
  }

  bool Load(const ImageBuilder& builder) {
    image = builder.Build();
    return module.Load(image, kResolver, kResolverData);
  }

  MemoryModule module;
  Bytes image;
  std::vector<Call> calls;           // every call but the resolver's
  std::vector<std::string> imports;  // "DLL!function", as resolved
  std::optional<std::string> unresolved;
  std::uint32_t attach_answer = 1;
  ScopedImageCallHook hook{
      [this](std::uintptr_t address, const ImageCallArgs& args) -> std::uint32_t {
        if (address != kResolver) {
          calls.push_back({address, args});
          return attach_answer;
        }
        EXPECT_EQ(args[2], kResolverData);
        const std::string symbol = std::string(reinterpret_cast<const char*>(args[0])) + "!" +
                                   reinterpret_cast<const char*>(args[1]);
        if (symbol == unresolved) return 0;
        imports.push_back(symbol);
        return 0x7000 + static_cast<std::uint32_t>(imports.size());
      }};
};

TEST_F(MemoryModuleTest, MapsAnExeWithoutCallingItsEntryPoint) {
  ASSERT_TRUE(Load(FullImage(false)));
  const std::uintptr_t base = module.Base();
  EXPECT_EQ(base, kPreferredBase);
  EXPECT_EQ(module.EntryPoint(), base + kText);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(std::memcmp(reinterpret_cast<const void*>(base), image.data(), 0x1F0), 0);
  EXPECT_EQ(std::memcmp(reinterpret_cast<const void*>(base + kText), &image[0x200], 0x100), 0);
  const auto* bss = reinterpret_cast<const std::uint8_t*>(base + kBss);
  EXPECT_EQ(std::count(bss, bss + 0x1000, 0), 0x1000);
}

TEST_F(MemoryModuleTest, ResolvesImportsThroughTheResolverInOrder) {
  ASSERT_TRUE(Load(FullImage(false)));
  EXPECT_EQ(imports, (std::vector<std::string>{"KERNEL32.dll!Sleep", "KERNEL32.dll!7",
                                               "USER32.dll!MessageBoxA"}));
  EXPECT_EQ(Read32(module.Base() + kKernelTable), 0x7001u);
  EXPECT_EQ(Read32(module.Base() + kKernelTable + 4), 0x7002u);
  EXPECT_EQ(Read32(module.Base() + kUserTable), 0x7003u);
}

TEST_F(MemoryModuleTest, AnUnresolvedImportFailsTheLoadBeforeAnyAttach) {
  unresolved = "USER32.dll!MessageBoxA";
  EXPECT_FALSE(Load(FullImage(true)));
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(module.Base(), 0u);
  // Without a resolver nothing on this host can supply an import.
  EXPECT_FALSE(module.Load(image));
  EXPECT_TRUE(calls.empty());
}

TEST_F(MemoryModuleTest, AttachesADllAndDetachesItOnFree) {
  ASSERT_TRUE(Load(FullImage(true)));
  const std::uintptr_t base = module.Base();
  EXPECT_EQ(calls, (std::vector<Call>{{base + kText, {0, 1, 0}}}));
  EXPECT_TRUE(module.Free());
  EXPECT_EQ(calls.back(), (Call{base + kText, {0, 0, 0}}));
  EXPECT_EQ(module.Base(), 0u);
  EXPECT_EQ(module.EntryPoint(), 0u);
  EXPECT_FALSE(IsMapped(base));
}

TEST_F(MemoryModuleTest, ADllThatRefusesToAttachIsDetachedAndUnmapped) {
  attach_answer = 0;
  EXPECT_FALSE(Load(FullImage(true)));
  ASSERT_EQ(calls.size(), 2u);
  const std::uintptr_t entry = calls[0].address;
  EXPECT_EQ(calls, (std::vector<Call>{{entry, {0, 1, 0}}, {entry, {0, 0, 0}}}));
  EXPECT_EQ(module.Base(), 0u);
  EXPECT_FALSE(IsMapped(entry - kText));
}

TEST_F(MemoryModuleTest, LoadingAgainDetachesAndFreesTheFirstImage) {
  ASSERT_TRUE(Load(FullImage(true)));
  ImageBuilder second = FullImage(true);
  second.nt.optional_header.address_of_entry_point = kText + 4;
  ASSERT_TRUE(Load(second));
  EXPECT_EQ(calls, (std::vector<Call>{{kPreferredBase + kText, {0, 1, 0}},
                                      {kPreferredBase + kText, {0, 0, 0}},
                                      {kPreferredBase + kText + 4, {0, 1, 0}}}));
}

TEST_F(MemoryModuleTest, RelocatesByTheDistanceFromThePreferredBase) {
  ASSERT_TRUE(Load(FullImage(false)));
  ASSERT_EQ(module.Base(), kPreferredBase);
  EXPECT_EQ(Read32(kPreferredBase + 0x1010), kPreferredBase + kData);
  EXPECT_EQ(Read32(kPreferredBase + 0x23F0), kPreferredBase + kBss);

  // The first copy holds the preferred base, so this one lands elsewhere.
  MemoryModule moved;
  ASSERT_TRUE(moved.Load(image, kResolver, kResolverData));
  const std::uintptr_t base = moved.Base();
  EXPECT_NE(base, kPreferredBase);
  EXPECT_EQ(Read32(base + 0x1010), static_cast<std::uint32_t>(base + kData));
  EXPECT_EQ(Read32(base + 0x1014), static_cast<std::uint32_t>(base + kText));
  EXPECT_EQ(Read32(base + 0x23F0), static_cast<std::uint32_t>(base + kBss));
  EXPECT_EQ(Read32(base + 0x1020), 0x11223344u);
  EXPECT_TRUE(moved.Free());
}

TEST_F(MemoryModuleTest, CopiesShareOneMappingThatOutlivesThem) {
  ASSERT_TRUE(Load(FullImage(false)));
  MemoryModule copy = module;
  EXPECT_EQ(copy.GetProc("Alpha"), kPreferredBase + 0x1000);
  EXPECT_TRUE(copy.Free());
  EXPECT_EQ(module.Base(), 0u);
  EXPECT_EQ(module.GetProc("Alpha"), 0u);

  std::uintptr_t base = 0;
  {
    MemoryModule scoped;
    ASSERT_TRUE(scoped.Load(image, kResolver, kResolverData));
    base = scoped.Base();
  }
  EXPECT_TRUE(IsMapped(base));
  UnmapImageMemory(reinterpret_cast<void*>(base), kImageSize);
}

TEST_F(MemoryModuleTest, ApplySkinCallsTheEngineOnlyWhenItIsThere) {
  const Bytes skin = {1, 2, 3, 4, 5};
  EXPECT_EQ(module.GetProc("Alpha"), 0u);
  EXPECT_EQ(ApplySkin(module, skin), 0u);
  EXPECT_TRUE(calls.empty());

  ASSERT_TRUE(Load(FullImage(false)));
  attach_answer = 77;
  EXPECT_EQ(ApplySkin(module, skin), 77u);
  const auto skin_at = reinterpret_cast<std::uintptr_t>(skin.data());
  EXPECT_EQ(calls, (std::vector<Call>{{kPreferredBase + 0x1008, {skin_at, 5}}}));
}

struct LookupRow {
  std::string_view name;
  Text lookup;
  std::uint32_t rva;  // 0: not found
};

void PrintTo(const LookupRow& row, std::ostream* os) { *os << row.name; }

class GetProcTest : public MemoryModuleTest, public ::testing::WithParamInterface<LookupRow> {};

TEST_P(GetProcTest, FindsTheExport) {
  ASSERT_TRUE(Load(FullImage(true)));
  const std::uintptr_t expected = GetParam().rva == 0 ? 0 : module.Base() + GetParam().rva;
  EXPECT_EQ(module.GetProc(GetParam().lookup), expected);
}

// clang-format off
const LookupRow kLookupRows[] = {
    {"FindsTheFirstName", "Alpha", 0x1000},
    {"FindsANameWhosePointerIsNotTheFirst", "Beta", 0x1004},
    {"FindsANameStoredBeforeTheOthersInMemory", "SkinH_AttachRes", 0x1008},
    {"ComparesNamesWithCase", "alpha", 0},
    {"MatchesNoPrefixOfAName", "Alph", 0},
    {"MatchesNoNameWithMoreAfterIt", "AlphaX", 0},
    {"FindsNothingForAFunctionSlotThatIsEmpty", "Hole", 0},
    {"SkipsANameWhoseOrdinalIsPastTheFunctions", "Gamma", 0},
    {"FindsNothingForTheEmptyName", "", 0},
    {"ReadsANumberAsAnOrdinalFromTheBase", "1", 0x1000},
    {"ReadsTheSecondOrdinal", "2", 0x1004},
    {"ReadsANumberWithALeadingZeroAsAName", "02", 0x1008},
    {"ReadsANumberWithALeadingSpaceAsAName", " 2", 0},
    {"FindsNothingForAnOrdinalOfAnEmptySlot", "3", 0},
    {"FindsTheLastOrdinal", "4", 0x1008},
    {"FindsNothingPastTheLastOrdinal", "5", 0},
    {"FindsNothingBelowTheOrdinalBase", "0", 0},
    {"FindsNothingForANegativeOrdinal", "-1", 0},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rows, GetProcTest, ::testing::ValuesIn(kLookupRows),
                         [](const auto& row) { return std::string(row.param.name); });

struct BrokenRow {
  std::string_view name;
  void (*change)(ImageBuilder&);
  bool loads;
};

void PrintTo(const BrokenRow& row, std::ostream* os) { *os << row.name; }

class BrokenImageTest : public MemoryModuleTest, public ::testing::WithParamInterface<BrokenRow> {};

TEST_P(BrokenImageTest, LoadsOnlyWhenSound) {
  ImageBuilder builder = FullImage(true);
  if (GetParam().change != nullptr) GetParam().change(builder);
  EXPECT_EQ(Load(builder), GetParam().loads);
  EXPECT_EQ(module.Base() != 0, GetParam().loads);
  EXPECT_EQ(calls.size(), GetParam().loads ? 1u : 0u);  // attached only when sound
}

// clang-format off
const BrokenRow kBrokenRows[] = {
    {"IsIntactAndLoads", nullptr, true},
    {"IsShorterThanADosHeader", [](ImageBuilder& b) { b.file_size = 63; }, false},
    {"LacksTheMzSignature", [](ImageBuilder& b) { b.file_patches.push_back({0, 0x905A4E}); }, false},
    {"PutsThePeHeadersAtANegativeOffset", [](ImageBuilder& b) { b.file_patches.push_back({0x3C, 0xFFFFFFF0}); }, false},
    {"PutsThePeHeadersPastTheEnd", [](ImageBuilder& b) { b.file_patches.push_back({0x3C, 0x6C0}); }, false},
    {"EndsInsideThePeHeaders", [](ImageBuilder& b) { b.file_size = 0x40 + 247; }, false},
    {"LacksThePeSignature", [](ImageBuilder& b) { b.nt.signature = 0x4551; }, false},
    {"LacksTheExecutableImageBit", [](ImageBuilder& b) { b.nt.file_header.characteristics &= ~pe::kExecutableImage; }, false},
    {"EndsInsideTheSectionTable", [](ImageBuilder& b) { b.file_size = 0x1EF; }, false},
    {"CountsMoreSectionsThanTheFileHolds", [](ImageBuilder& b) { b.nt.file_header.number_of_sections = 0xFFFF; }, false},
    {"HasSectionDataRunningPastTheEnd", [](ImageBuilder& b) { b.sections[1].header.pointer_to_raw_data = 0x301; }, false},
    {"HasSectionDataAtAnOffsetThatWouldWrap", [](ImageBuilder& b) { b.sections[1].header.pointer_to_raw_data = 0xFFFFFF00; }, false},
    {"HasASectionAlignmentOfZero", [](ImageBuilder& b) { b.nt.optional_header.section_alignment = 0; }, false},
    {"AsksForAHugeImage", [](ImageBuilder& b) { b.nt.optional_header.size_of_image = 0xFFFFF000; }, false},
    {"HasASectionEndingPastTheSizeCap", [](ImageBuilder& b) { b.sections[2].header.virtual_address = 0x20000000; }, false},
    {"HasADllEntryPointOutsideTheImage", [](ImageBuilder& b) { b.nt.optional_header.address_of_entry_point = kImageSize; }, false},
    {"HasARelocationBlockOfSizeZero", [](ImageBuilder& b) { b.Put32(0x2304, 0); }, false},
    {"HasARelocationBlockShorterThanItsHeader", [](ImageBuilder& b) { b.Put32(0x2304, 4); }, false},
    {"HasARelocationBlockRunningPastTheImage", [](ImageBuilder& b) { b.Put32(0x2314, 0x10000); }, false},
    {"HasRelocationsOutsideTheImage", [](ImageBuilder& b) { b.SetDirectory(pe::kRelocationDirectory, 0xFFFFFFF8, 8); }, false},
    {"RelocatesAnAddressAtTheImageEnd", [](ImageBuilder& b) { b.Put32(0x2310, 0x3000); b.Put16(0x2318, 0x3FFE); }, false},
    {"HasImportsOutsideTheImage", [](ImageBuilder& b) { b.SetDirectory(pe::kImportDirectory, kImageSize - 10, 20); }, false},
    {"NamesAnImportedDllOutsideTheImage", [](ImageBuilder& b) { b.Put32(0x2200 + 12, 0x50000); }, false},
    {"HasAnImportTableOutsideTheImage", [](ImageBuilder& b) { b.Put32(0x2214 + 16, 0xFFFFFFFC); }, false},
    {"NamesAnImportedFunctionOutsideTheImage", [](ImageBuilder& b) { b.Put32(kKernelTable, 0x7FFFFFF0); }, false},
    {"HasAnImportedDllNameRunningToTheImageEnd", [](ImageBuilder& b) {
        // Section alignment 0x200 ends the image right after the data.
        b.nt.optional_header.section_alignment = 0x200;
        b.nt.optional_header.size_of_image = 0x2400;
        b.nt.file_header.number_of_sections = 2;
        b.Put32(0x23FC, 0x44434241);
        b.Put32(0x2200 + 12, 0x23FC); }, false},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rows, BrokenImageTest, ::testing::ValuesIn(kBrokenRows),
                         [](const auto& row) { return std::string(row.param.name); });

struct BrokenExportRow {
  std::string_view name;
  void (*change)(ImageBuilder&);
  Text lookup;  // found in the intact image
};

void PrintTo(const BrokenExportRow& row, std::ostream* os) { *os << row.name; }

class BrokenExportTest : public MemoryModuleTest,
                         public ::testing::WithParamInterface<BrokenExportRow> {};

TEST_P(BrokenExportTest, FindsNothing) {
  ImageBuilder builder = FullImage(false);
  GetParam().change(builder);
  ASSERT_TRUE(Load(builder));
  EXPECT_EQ(module.GetProc(GetParam().lookup), 0u);
}

// clang-format off
const BrokenExportRow kBrokenExportRows[] = {
    {"WhenTheDirectoryRunsPastTheImage", [](ImageBuilder& b) { b.SetDirectory(pe::kExportDirectory, kImageSize - 20, 40); }, "Alpha"},
    {"WhenTheFunctionTableIsOutsideTheImage", [](ImageBuilder& b) { b.Put32(kData + 28, 0xFFFFFFFC); }, "1"},
    {"WhenTheNameTableRunsPastTheImage", [](ImageBuilder& b) { b.Put32(kData + 32, kImageSize - 2); }, "Alpha"},
    {"WhenTheOrdinalTableIsOutsideTheImage", [](ImageBuilder& b) { b.Put32(kData + 36, 0xFFFFFFFF); }, "Alpha"},
    {"WhenANamePointsOutsideTheImage", [](ImageBuilder& b) { b.Put32(kNames, 0xFFFFFFFE); }, "Alpha"},
    // Found by fuzzing: a name count far past the table walked the zero-filled rest of the image.
    {"WhenAnEmptyNamePointerEndsTheTableBeforeIt", [](ImageBuilder& b) { b.Put32(kNames, 0); }, "Beta"},
    {"WhenAFunctionLiesOutsideTheImage", [](ImageBuilder& b) { b.Put32(kFunctions, kImageSize); }, "Alpha"},
    {"WhenAnOrdinalsFunctionLiesOutsideTheImage", [](ImageBuilder& b) { b.Put32(kFunctions + 4, 0x80000000); }, "2"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rows, BrokenExportTest, ::testing::ValuesIn(kBrokenExportRows),
                         [](const auto& row) { return std::string(row.param.name); });

#if !defined(__i386__)
// No image code can run on this host: a DLL never attaches.
TEST(MemoryModuleDefaultHookTest, MapsAnExeButNoDllOnThisHost) {
  MemoryModule module;
  const Bytes exe = ImageBuilder(false).Build();
  EXPECT_TRUE(module.Load(exe));
  EXPECT_FALSE(module.Load(ImageBuilder(true).Build()));
  EXPECT_EQ(module.Base(), 0u);
}
#endif

}  // namespace
}  // namespace kestrilo
