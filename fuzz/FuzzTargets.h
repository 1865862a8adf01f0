#pragma once

#include <cstddef>
#include <cstdint>

// Each target takes one input and checks the properties that must hold for every input; a
// broken property aborts. libFuzzer drives them; the corpus is replayed as ordinary tests.
void FuzzOptions(const std::uint8_t* data, std::size_t size);
void FuzzReadout(const std::uint8_t* data, std::size_t size);
void FuzzIdentification(const std::uint8_t* data, std::size_t size);
void FuzzScenario(const std::uint8_t* data, std::size_t size);
void FuzzVxi11Request(const std::uint8_t* data, std::size_t size);
void FuzzFormat(const std::uint8_t* data, std::size_t size);
void FuzzResourceName(const std::uint8_t* data, std::size_t size);
void FuzzRecording(const std::uint8_t* data, std::size_t size);
