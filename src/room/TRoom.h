#pragma once
// The room: the single owner of everything that describes one project — planes,
// plane layers and materials, source and receiver types, sources and
// receivers, the loaded directivity patterns, environment and simulation
// settings. The desktop program holds one room for the open project and
// replaces it on New, Open and Import.
//
// Collections are counted lists: the count (NumPlanes, ...) always equals the
// size of its list, and list indices are the identities used everywhere (a
// plane's layer, a layer's material, a source's type). Deleting an entry that
// others refer to is refused with a message; deleting an unreferenced one
// moves every higher reference down by one. Sources and receivers are named
// and numbered from their positions ("src 01", "rec 01").
//
// Member definitions are spread over files by concern: TRoom.cpp (life cycle
// and settings), TRoomCollections.cpp, TRoomDirectivities.cpp,
// TRoomProjectReader.cpp, TRoomProjectWriter.cpp, TRoomEnvironment.cpp,
// TRoomResults.cpp (the result grid and the room estimates) and
// TRoomSimulation.cpp (the tracing run and the response phase).

#include <atomic>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "directivity/TDirectivity.h"
#include "results/TResult.h"
#include "geometry/TPlane.h"
#include "geometry/TPoint3D.h"
#include "room/TLayer.h"
#include "room/TMaterial.h"
#include "scene/TReceiver.h"
#include "scene/TSource.h"
#include "simulation/SourceTracer.h"
#include "simulation/TRay.h"

class TPlaneSearch;

class TRoom {
public:
    static constexpr unsigned int kDefaultNumRays = 20000;

    float Rho = 1.2041f;          // air density, kg/m3
    unsigned int BaseSize = 2047; // base length handed to every result
    std::vector<std::vector<float>> AverageAbsorption; // 4 x NumBands
    unsigned int NumRays = kDefaultNumRays;            // rays per source asked for
    unsigned int ResultRec = 0;
    unsigned int ResultSrc = 0;
    // Shared with the simulation worker: it raises IsRunning and writes the
    // progress, 0..100; clearing IsRunning asks it to stop.
    std::atomic<bool> IsRunning{false};
    std::atomic<float> PercentageStatus{0.0f};
    std::thread thread; // the simulation worker of the current run
    // Threads a run traces and computes responses on; 0 means every core.
    // The files a run writes are the same for any count.
    unsigned int NumThreads = 0;

    unsigned int NumPlanes = 0;
    std::vector<TPlane> plane;
    unsigned int NumSources = 0;
    std::vector<TSource> source;
    unsigned int NumLinearSources = 0;
    unsigned int NumReceivers = 0;
    std::vector<TReceiver> receiver;
    unsigned int NumPlaneLayers = 0;
    std::vector<TPlaneLayer> planeLayer;
    unsigned int NumSourceLayers = 0;
    std::vector<TSourceLayer> sourceLayer;
    unsigned int NumReceiverLayers = 0;
    std::vector<TReceiverLayer> receiverLayer;
    unsigned int NumMaterials = 0;
    std::vector<TMaterial> material;
    unsigned int NumDirectivities = 0;
    TDirectivityList directivity;

    unsigned int NumBands = 9;
    float FSample = 44100.0f;     // Hz
    unsigned int MaxLength = 44100; // response length in samples
    float StopDecay = -60.0f;     // dB
    float VSound = 343.0f;        // m/s
    std::vector<double> AirAbs;   // air attenuation per band, Np/m
    double Temperature = 25.0;    // degrees C
    double Humidity = 40.0;       // % relative
    double Pressure = 1.0;        // atm
    bool ResultsCreated = false;
    bool AverageAbsorptionCreated = false;
    bool LostRaysCreated = false;
    int AirAbsorptionFlag = 1;
    bool AuralizationFlag = false;
    bool ArtificialTailFlag = false;
    bool ModalFlag = false;
    unsigned int HitFilesFlag = 0;
    unsigned int PressureFilesFlag = 0;
    unsigned int SaveLateRaysFlag = 0;
    unsigned int SaveDiffuseRaysFlag = 0;
    unsigned int DiffuseProcessing = 0; // 0 specular only, else with scattering
    unsigned int SaveLostRays = 1;
    int MaxRayTracReflections = -1;     // -1: no limit
    int ClusterOrderGlobal = 0;         // -1: automatic
    int ForceVolumeFlag = 0;
    int MaxLostRaysRef = 0;
    unsigned int NumAudioOutputs = 0;
    double Volume = 0.0;                // m3
    double Area = 0.0;                  // m2
    std::vector<std::vector<float>> T60; // 4 x NumBands
    float CriticalDistance = 0.0f;      // m
    float MeanFreePath = 0.0f;          // m; 0 = not estimated
    std::vector<float> RoomConstant;    // per band
    TPoint3D Center;
    bool FLAG_SimulateModes = false;
    bool FLAG_SimulateTwoSteps = false;
    std::string SoftwareFolder;
    std::string AcousticDataFolder;
    std::string ProjectFolder = ".";
    std::string ProjectName = "Untitled.txt";
    std::string LostFileName;

    // Result of source s at receiver r: spcresult[r][s]; built by CreateResults
    // for ResultRec receivers and ResultSrc sources.
    std::vector<std::vector<std::unique_ptr<TResult>>> spcresult;
    // Counts every clearing and creation of spcresult, so that whatever looks
    // into the results (a plot) can tell that they are no longer the ones it saw.
    unsigned long ResultsGeneration = 0;
    // Rays that left the room during the last run, loaded for display.
    unsigned int NumLostRays = 0;
    std::vector<Raio_st> lostRays;

    TRoom();
    ~TRoom();
    TRoom(const TRoom&) = delete;
    TRoom& operator=(const TRoom&) = delete;

    void AllocateAbsorption();
    // Empties every collection; the readers call it before giving up on a file.
    void LiberaMemoria();

    // --- collections -------------------------------------------------------
    void AddPlane(const TPlane& p);
    void CreatePlanes(const std::vector<TPlane>& planes);
    void DeletePlanes();

    void AddMaterial(const TMaterial& m);
    void DelMaterial(unsigned int i);
    void CreateMaterials(const std::vector<TMaterial>& materials);
    void DeleteMaterials();
    int GetMaterialID(const std::string& name) const;

    void AddPlaneLayer(const TPlaneLayer& layer);
    int DelPlaneLayer(unsigned int i);
    void CreatePlaneLayers(const std::vector<TPlaneLayer>& layers);
    void DeletePlaneLayers();
    int FindPlaneLayer(const std::string& name) const;
    // Fatal (exit code 1) when the material is unknown.
    void AssociateMaterialToLayer(const std::string& materialName, const std::string& layerName);

    void AddSourceLayer(const TSourceLayer& layer);
    void AddSourceLayer(const std::string& name);
    bool DelSourceLayer(unsigned int i);
    void CreateSourceLayers(const std::vector<TSourceLayer>& layers);
    void DeleteSourceLayers();
    int FindSourceLayer(const std::string& name) const;

    void AddReceiverLayer(const TReceiverLayer& layer);
    bool DelReceiverLayer(unsigned int i);
    // Also loads the pattern each type names.
    void CreateReceiverLayers(const std::vector<TReceiverLayer>& layers);
    void DeleteReceiverLayers();
    int FindReceiverLayer(const std::string& name) const;

    void AddSource(const TSource& s);
    void DelSource(unsigned int i);
    void CreateSources(const std::vector<TSource>& sources);
    void DeleteSources();

    void AddReceiver(const TReceiver& r);
    void DelReceiver(unsigned int i);
    void CreateReceivers(const std::vector<TReceiver>& receivers);
    void DeleteReceivers();

    // --- directivity patterns ----------------------------------------------
    // Loads the pattern unless a loaded pattern's name contains NameID.
    void AddDirectivity(const std::string& NameID);
    // Loads every pattern named by the source and receiver types of a project.
    void AddDirectivitiesTxt(const std::string& FileName);
    void DeleteDirectivities();
    // First loaded pattern whose name occurs in NameID, or -1.
    int GetDirectivityID(const std::string& NameID) const;
    // The pattern GetDirectivityID finds, else the first of the list ("OMNI"
    // is loaded when the list is empty). Never null.
    std::shared_ptr<TDirectivity> FindDirectivityOrDefault(const std::string& NameID);

    // --- settings ------------------------------------------------------------
    void SetNumRays(unsigned int n) { NumRays = n; }
    // The ray count asked for; an unset count (0) reads as kDefaultNumRays.
    unsigned int GetNumRays() const;
    // Response length in seconds; returns the length set, or -1 when results
    // exist and the response would grow.
    float SetMaxTime(float seconds);
    float GetMaxTime() const;
    // The response length in samples SetMaxTime would store for seconds.
    unsigned int MaxLengthFor(float seconds) const;

    // --- project file: readers ---------------------------------------------
    void EnviromentSetupTXT(const std::string& path);
    void AddMaterialsTxt(const std::string& path);
    void AddPlaneLayersTxt(const std::string& path);
    void ReadPlaneLayersTxt(const std::string& path);
    void AssociatePlaneLayersTxT(const std::string& path);
    void AddPlanesTxT(const std::string& path);
    void ReadPlanesTxt(const std::string& path);
    void AddSourceLayersTxt(const std::string& path);
    void AddReceiverLayersTxt(const std::string& path);
    void AddSourcesTxt(const std::string& path);
    void AddReceiversTxt(const std::string& path);
    void ReadColorLayers(const std::string& path);
    // The whole load sequence of a project into this (fresh) room; on failure
    // the room is emptied and the FatalError passed on.
    void LoadProject(const std::string& path);

    // --- project file: writers ---------------------------------------------
    // Writes the whole project to a temporary file beside path and renames it
    // over path only when everything was written: a failed save never
    // destroys the previous file.
    bool SaveRoom(const std::string& path);
    // Each appends its section(s) to the file.
    bool SaveSetup(const std::string& path) const;
    bool SaveSourceLayers(const std::string& path) const;
    bool SaveSources(const std::string& path) const;
    bool SaveReceiverLayers(const std::string& path) const;
    bool SaveReceivers(const std::string& path) const;
    bool SaveMaterials(const std::string& path) const;
    bool SavePlaneLayers(const std::string& path) const;
    bool SavePlanes(const std::string& path) const;

    // --- geometry analysis ---------------------------------------------------
    // Marks the planes that rays from outside the bounding box meet first.
    void GetExternalPlanes();
    // Enclosed volume from the external planes (divergence theorem), unless
    // ForceVolumeFlag keeps the user's value.
    double CalculateVolumeGeometry();
    double CalculateArea();
    // Centre of the bounding box of planes, receivers and sources.
    TPoint3D GetCenter();
    float GetMaxRoomLength() const;
    // 1 when no plane lies strictly between P1 and P2, else 0.
    int CheckVisibility(TPoint3D P1, TPoint3D P2);
    // The same through a search prepared over the room's planes (during a run).
    int CheckVisibility(TPoint3D P1, TPoint3D P2, const TPlaneSearch& search);

    // --- ray tracing ----------------------------------------------------------
    // Moves the ray to p on plane P, reflects it and removes the absorbed
    // energy; with DiffuseProcessing the scattered part of each band goes to
    // scattEnergy (NumBands values). Returns the hit weight factor, 1. For a
    // single reflection: it builds SurfaceTable each time, where the tracer
    // builds it once per run and calls ReflectAtSurface.
    double PlaneInteraction(int P, Raio_st& ray, TPoint3D p, float* scattEnergy) const;
    // Mean free path in metres from 1002 rays traced from the centre; 0 when
    // no ray reflects (an open geometry), meaning unknown.
    float MFP_Estimation();
    // Prints the room report; estimates the mean free path when still 0.
    void ShowInfo();

    // Proximity factor of receiver R for the ray y: -1 when the receiver's
    // centre is not ahead of the ray, 0 when the ray's line passes outside the
    // sphere, else 1 - d / Radius (d the centre's distance from the line).
    // S is not used.
    double RayTracingReception(const Raio_st& y, int S, int R) const;
    // What every plane does to a ray, per band, as the tracer reads it.
    TSurfaceTable SurfaceTable() const;
    // Everything the tracer reads for source S, which must have its results.
    TTraceScene TraceSceneOf(unsigned int S, const TPlaneSearch& search, const TSurfaceTable& surfaces) const;

    // --- simulation -----------------------------------------------------------
    // The tracing phase: every ray of every source until a stop criterion,
    // arrivals handed to the results in ray order. Returns false, tracing nothing, when the
    // results were not created or there is no receiver or no source; the
    // response phase must then not run.
    bool Simulate();
    // The response phase: direct sound, clustering and impulse response of
    // every pair, pairs in parallel. Does nothing when the result grid does not match the room.
    void CalculateResponses();
    // The lost-ray list for display, read from the project's LostRays.txt.
    void LoadLostRaysTxt();
    void CreateLostRays(unsigned int n);
    void DeleteLostRays();

    // --- the worker -------------------------------------------------------------
    // Starts the run on its own thread (the results must exist): tracing, then,
    // unless tracing had nothing to do, the responses.
    void StartSimulation();
    static void staticEntryPoint(TRoom* room);
    // Asks the worker to stop at its next ray or pair; a stop during tracing
    // also skips the response phase.
    void StopSimulation();
    // True once the worker has ended (or none was started): only then may the
    // results be used.
    bool SimulationFinished() const;
    // Waits for the worker to end and passes on what it raised (FatalError).
    void WaitForSimulation();
    // Stops both phases and waits; what the worker raised is dropped.
    void AbortSimulation();

    // --- the steps around a run -------------------------------------------------
    // Reads the project, analyses the geometry, computes the room's estimates
    // and prints the report.
    void LoadAndAnalyse(const std::string& path);
    // Prints the report, gives every source the given ray count (when set),
    // clears old results and files and creates the result grid.
    void PrepareSimulation(std::optional<unsigned int> rays);

    // --- results --------------------------------------------------------------
    // Builds spcresult for the current sources and receivers (estimating the
    // mean free path) and opens every pair's ray (and hit) files.
    void CreateResults();
    void ClearResults();
    // Memory the result buffers of a run take, and the refusal (fatal, exit
    // code 1) of a run whose buffers would not fit in kResultMemoryShare of
    // availableBytes (0: unknown, not checked).
    double ResultMemoryBytes() const;
    void CheckResultMemory(double availableBytes) const;
    // The Sabine, Eyring, Millington and scattering-weighted mean absorption
    // per band into AverageAbsorption (rows 0 to 3); also RoomConstant.
    void CalculateAbsorptionArea();
    // Per band: abar S / (1 - abar), abar the plain mean absorption of the planes.
    void CalcRoomConstant(std::vector<float>& R);
    // CriticalDistance (m) from row 3 of AverageAbsorption at 1 kHz.
    void CalcCriticalDist();
    void ShowRoomConstant() const;
    void ShowAbsorptionCoefficients() const;

    // --- parameters, result files and audio ------------------------------------
    // Sabine (row 0) and Eyring (row 1) reverberation times per band into T60,
    // with Volume, Area and the mean absorption; needs no simulation.
    void AcousticParameters();
    // After a run: every pair's response as text, the parameters of every
    // pair, of every receiver with all sources (SALL) and of the whole room
    // (SALL-RALL), then, with AuralizationFlag, Auralization and
    // SaveImpRespWAV. False, saving nothing, without a complete result grid,
    // and false when a file could not be written.
    bool SaveResults();
    // Whether the response file of every source-receiver pair exists.
    bool CheckSavedResults() const;
    // Rebuilds the result grid from the saved response files and computes
    // every pair's parameters. -1 when there is no source or receiver or a
    // file could not be read completely, else 0.
    int LoadResults();
    // Every pair's response applied to its source's sound, one normalised WAV
    // file per pair and one mix of all sources per receiver.
    // False when a mix file could not be written (a source without a sound
    // file simply has no pair file).
    bool Auralization();
    // Every pair's response as a WAV file, all with one shared gain.
    bool SaveImpRespWAV();
    // Whether spcresult holds a result for every current receiver and source.
    bool HasResultGrid() const;

    // --- environment, folders, clean-up --------------------------------------
    // VSound and AirAbs from Temperature, Pressure and Humidity (AirAbs all 0
    // when AirAbsorptionFlag is off); a project load and a settings edit both
    // derive them here.
    void UpdateAirProperties();
    void PathSetup(const std::string& path);
    void CheckRoom();
    void CleanResultFiles() const;
    void CleanRayFiles() const;

private:
    // Hands one traced arrival of source S to its result.
    void ApplyArrival(unsigned int S, const TTraceLog& log, const TArrivalRecord& a, TRay& ray);
    std::atomic<bool> m_workerFinished{true};
    std::exception_ptr m_workerError; // what the worker raised, for WaitForSimulation

    // Shows the message, empties the room and throws FatalError(exitCode).
    [[noreturn]] void FailLoad(int exitCode, const std::string& message);
    // Refuses (fatal, exit code 1) environment and simulation settings outside
    // the ranges of room/Environment.h, naming the key; maxTime as read.
    void CheckSettingRanges(const std::string& path, double maxTime) const;
    FILE* OpenForReading(const std::string& path);
    // The record lines of a section of the project file.
    std::vector<std::string> ReadSection(const std::string& path, const std::string& section);
    void LoadProjectSections(const std::string& path);
    // Planes of the PLANES records, numbered from firstNumber in messages;
    // counts each plane on its layer.
    std::vector<TPlane> ReadPlaneRecords(const std::vector<std::string>& records,
                                         unsigned int firstNumber);
};

// Appends a default ENVIRONMENT and SIMULATION pair to the project file.
bool WriteDefaultSetup(const std::string& path);
