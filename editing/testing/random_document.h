// Randomized documents with realistic content for the editing tests and benchmarks, and
// the checks of the document's invariants.
#pragma once
#include "settings/document.h"

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

struct RandomDocOptions {
    uint32_t tvCount = 300;
    uint32_t radioCount = 120;
    uint32_t satCount = 6;
    uint32_t maxTpPerSat = 12;
    uint32_t favGroups = 8;
    uint32_t maxFavMembers = 40;
    uint32_t timers = 20;
    uint32_t epgReserves = 20;
};

// A list as full as the STB holds (every checked TV slot, 12 satellites of 40 transponders,
// ten favourite groups, 70 timers and reservations) with this many radio services.
RandomDocOptions FullListOptions(uint32_t radioCount);

// Every service is valid for the load-time checks and named; extra[0..1] hold a unique id.
std::unique_ptr<COrvanel1Doc> MakeRandomDocument(std::mt19937& rng, const RandomDocOptions& options);

// The unique id kept in a service's extra[0..1].
uint32_t SvcUid(const SvcRecord& svc);
void SetSvcUid(SvcRecord& svc, uint32_t uid);

// Violations of the document's invariants, one line each; empty when all hold.
std::vector<std::string> CheckDocInvariants(const COrvanel1Doc& doc);

// The services that the references name, in a fixed reference order: favourite members,
// service timers, active EPG reservations, then the two current services (each as the
// kind and unique id of the service, or the raw slot when it is out of range).
std::vector<uint64_t> ReferencedSvcUids(const COrvanel1Doc& doc);

// Purges every TV and radio service on the satellite, so that its transponders may go.
void RemoveSatServices(COrvanel1Doc& doc, uint32_t sat);
