// The template processor: one conversion run driven by a template script.
//
// A template script is a text file of one verb per line ("rename_leaf a_b=** c", "add_leaf x=1").
// The processor owns the open script and reads it forward only, line by line; every verb line is
// handed to the handler that the verb table names, together with the configuration tree that the
// current section works on. The verbs are member functions so that they can read further script lines
// (blocks, item lists), write to the log and warnings streams and keep state between lines (the
// conditional depth, the version). The built-in converters' operations are member operations too:
// the processor holds one converter of each family (convert/) for the length of a run, delegates to
// them, and is the context they log and add settings through.
//
// Ownership: the processor owns the script stream and the converters with every record they keep. It
// does not own the trees it is handed, nor the log and warnings streams (they must outlive it).
// Threads: one thread at a time; the wildcard scope stacks the verbs use are process-wide.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "conftree/tree_state.h"
#include "convert/converter_context.h"
#include "convert/groups.h"
#include "convert/interface_converter.h"
#include "convert/interface_pairing.h"
#include "convert/interfaces.h"
#include "convert/nat_rules.h"
#include "convert/netobjects.h"
#include "convert/packet_filter.h"
#include "convert/proxy_rules.h"
#include "template/conversion_counts.h"
#include "template/script_line_record.h"

class ConfigTree;

// One script line as read: at most kScriptLineMax characters and the terminating NUL. Verbs that read
// lines of their own (blocks, item lists) keep their own ScriptLine.
inline constexpr std::size_t kScriptLineSize = 8192;
inline constexpr std::size_t kScriptLineMax = kScriptLineSize - 1;
using ScriptLine = std::array<char, kScriptLineSize>;

// Blocks (if_leaf, if_version) nested deeper than this are skipped with a fault rather than run:
// running a block recurses once per level, and real scripts nest a handful of levels.
inline constexpr int kMaxBlockDepth = 200;

// The reason a phase gives when it stopped because a stop was requested between script sections.
inline constexpr const char* kStopRequestedText = "The upgrade was stopped at the administrator's request";

class TemplateProcessor final : public ConverterContext {
public:
    // Opens the script at scriptPath for reading. When it cannot be opened, "Unable to open file: "
    // and the path go to the log and the processor reads as if the script were empty.
    // workingDirectory ends in a path separator ('/'); import_file appends file names to it.
    TemplateProcessor(std::ostream& logStream, std::ostream& warningsStream, std::string scriptPath,
                      std::string workingDirectory);
    // Same, reading the script from a stream the caller hands over (tests, in-memory scripts);
    // scriptPath is then only a name. A null stream reads as an empty script.
    TemplateProcessor(std::ostream& logStream, std::ostream& warningsStream, std::unique_ptr<std::istream> script,
                      std::string scriptPath, std::string workingDirectory);
    ~TemplateProcessor();

    TemplateProcessor(const TemplateProcessor&) = delete;
    TemplateProcessor& operator=(const TemplateProcessor&) = delete;

    // ---- The script reader ------------------------------------------------------------------------

    // Reads the next line into buffer without its line feed and trailing white space, counts it in
    // lineNumber and makes a progress dot every tenth line. False (buffer empty) at the end of the
    // script, and from then on, when the script cannot be read: not opened, a read error, or a line
    // longer than kScriptLineMax characters (logged once; see scriptReadFailed).
    bool readScriptLine(ScriptLine& buffer);

    // Reads one line and dispatches it when it is a verb line (not a comment, at least 2 characters).
    // False only when no line could be read. The verb's result is not passed on.
    bool processNextLine(ConfigTree& tree, ScriptLine& buffer);

    // Splits, looks up, logs and runs one verb line: the handler's result, 1 for a section word,
    // 0 for an empty line or an unknown verb. The line is changed in place (see splitVerb). Every
    // line with a verb, known or not, is recorded (scriptLineRecords).
    int dispatchLine(ConfigTree& tree, char* line);

    // What each dispatched line did, in the order the lines began: the section it ran in, its verb
    // and arguments, the settings its searches found and those it changed, added and removed (see
    // template/script_line_recorder.h for how blocks are counted).
    const std::vector<ScriptLineRecord>& scriptLineRecords() const { return scriptLines_; }

    // Cuts text into its first word (letters, digits, punctuation) and the rest after the white space
    // that follows it. The character that ended the word is overwritten with NUL, so both outputs point
    // into text. verb and rest are null when absent; false when the text holds no word.
    static bool splitVerb(char* text, char*& verb, char*& rest);

    // Runs script lines on tree until the end of the script or until a line whose buffer, after its
    // dispatch, equals endMarker ignoring case (null: no marker). False when a line set
    // abortRequested (the line is run first); true otherwise.
    bool runScriptSection(ConfigTree& tree, const char* endMarker);

    // True once the script could not be read to its end (not opened, read error, over-long line):
    // the sections that ran saw an early end of the script.
    bool scriptReadFailed() const { return readFailed_; }

    // ---- The context the converters and verbs write through -----------------------------------------

    // Writes one line (text and a newline) to the log stream and flushes it.
    void logLine(std::string_view text) override;
    // Writes a fault line: name + message + lineNumber + "): " + subject, a newline, flushed.
    // message is the fixed text, beginning with ": " and ending with "(".
    void logFault(std::string_view name, std::string_view message, std::string_view subject) override;
    // Writes one note (text and a newline) to the warnings stream and flushes it.
    void logWarning(std::string_view text) override;
    // Adds a setting line the converters formatted themselves, through add_leaf.
    void addSetting(ConfigTree& tree, std::string line) override;

    // ---- State of the run (written only by the processor, its verbs and phases) ----------------------

    const std::string scriptPath;
    const std::string workingDirectory;

    // Script lines read so far.
    int lineNumber() const { return lineNumber_; }
    // Nesting of running or skipped if_leaf / if_version blocks.
    int conditionalDepth() const { return conditionalDepth_; }
    // Set by set_version, tested by if_version.
    const std::optional<std::string>& version() const { return version_; }
    // The message that stopped the run (user_error, or a script that could not be read to its end).
    const std::string& errorText() const { return errorText_; }
    // Set with errorText; the running phase stops.
    bool abortRequested() const { return abortRequested_; }

    // Counts the lines read as n, so that the next fault lines carry n (the reader goes on from there):
    // for running single verb lines outside a script.
    void setLineNumber(int n) { lineNumber_ = n; }
    // Sets or clears the version if_version tests, as set_version does.
    void setVersion(std::optional<std::string> text) { version_ = std::move(text); }
    // Stops the run as user_error does: errorText becomes reason, and a section stops after the line
    // it is running (a later section after its first line).
    void requestAbort(std::string reason);

    // A flag another thread may set to ask the run to stop. The phases look at it before each script
    // section; a section that starts after it was set is not run, and the phase fails with
    // kStopRequestedText. Null (the default): never stopped. The flag must outlive the processor.
    void setStopRequest(const std::atomic<bool>* flag) { stopRequest_ = flag; }
    bool stopRequested() const { return stopRequest_ != nullptr && stopRequest_->load(); }

    // ---- Verbs: handler(tree, argument text) -> 1 done, 0 a logged failure ---------------------------
    // text is the rest of the script line after the verb, or null when there is none; handlers may
    // change it in place (splitVerb). The table in verb_table.cpp maps the verb names to these.

    // Adds one 'name=value' setting, replacing an existing value (also used by the converters).
    int add_leaf(ConfigTree& tree, char* text);

    // Conditional and control verbs (verbs_control.cpp).
    int end_if(ConfigTree& tree, char* text);
    int if_leaf(ConfigTree& tree, char* text);
    int if_version(ConfigTree& tree, char* text);
    int import_file(ConfigTree& tree, char* text);
    int count(ConfigTree& tree, char* text);
    int set_version(ConfigTree& tree, char* text);
    int user_error(ConfigTree& tree, char* text);
    int user_warning(ConfigTree& tree, char* text);

    // Value editing verbs (verbs_value.cpp).
    int change_value(ConfigTree& tree, char* text);
    int edit_leaf(ConfigTree& tree, char* text);

    // Leaf verbs (verbs_leaf.cpp).
    int copy_leaf(ConfigTree& tree, char* text);
    int delete_leaf(ConfigTree& tree, char* text);
    int demote_leaf(ConfigTree& tree, char* text);
    int promote_leaf(ConfigTree& tree, char* text);
    int rename_leaf(ConfigTree& tree, char* text);
    int spread_leaf(ConfigTree& tree, char* text);

    // Branch verbs (verbs_branch.cpp).
    int add_to_branch(ConfigTree& tree, char* text);
    int delete_branch(ConfigTree& tree, char* text);
    int insert_branch(ConfigTree& tree, char* text);
    int join_branches(ConfigTree& tree, char* text);
    int merge_unique_num_branch(ConfigTree& tree, char* text);
    int rename_branch(ConfigTree& tree, char* text);
    int renumber_branches(ConfigTree& tree, char* text);
    int tokenize_leaf2branches(ConfigTree& tree, char* text);

    // Name/value lookup and translation verbs (verbs_lookup.cpp).
    int address_convert(ConfigTree& tree, char* text);
    int merge_name_value(ConfigTree& tree, char* text);
    int object_lookup(ConfigTree& tree, char* text);
    int replace_name_with_value(ConfigTree& tree, char* text);
    int replace_value_with_name(ConfigTree& tree, char* text);
    int translate_cybermasks(ConfigTree& tree, char* text);

    // ==== Conversion phases and converters ===========================================================
    // The conversion phases (runPreprocess, runMerge, runPostprocess) and the operations of the
    // built-in converters (interfaces, network address objects, service and destination groups, proxy,
    // NAT/INAT and packet filter rules) are declared here, each family in its own block. The phases
    // live in template/phases.cpp. The converters' algorithms and records live in convert/, one unit
    // per family; the processor holds one of each and its operations delegate to them, handing each
    // the records of the others it needs. Outside the processor the records are read only, through
    // the accessors below, the interface pairing view and the counts.

    // ---- Conversion phases (template/phases.cpp) ----------------------------------------------------
    // Each runs its converters and its script section in a fixed order, with a progress line in the
    // log before each step. False when the phase stopped (errorText says why).

    bool runPreprocess(ConfigTree& oldTree);
    bool runMerge(ConfigTree& oldTree, ConfigTree& newTree);
    bool runPostprocess(ConfigTree& tree);

    // ---- Interfaces (convert/interface_converter.h) --------------------------------------------------

    // The old tree's interfaces (the physical ones, then the aliases) and the new tree's, in tree order.
    const InterfaceList& oldInterfaces() const { return interfaces_.oldInterfaces; }
    const InterfaceList& newInterfaces() const { return interfaces_.newInterfaces; }
    int physicalCount() const { return interfaces_.physicalCount; }  // at the head of oldInterfaces
    int unmatchedOld() const { return interfaces_.unmatchedOld; }    // left unpaired by address
    // The front ends' view of both lists, for pairing what the addresses left unpaired. It refers to
    // this processor's lists (see convert/interface_pairing.h).
    InterfacePairing interfacePairing();

    void parseInterfaces(ConfigTree& tree, InterfaceList& list, const std::string& templateText);
    bool parse5xInterfaces(ConfigTree& oldTree);  // false: no physical interface (errorText set)
    void parse60Interfaces(ConfigTree& newTree);
    void reconcileInterfaces();
    bool interfaceMergeHelpRequired() const;
    // The interface merge moves the device names held by the old packet filter services and the NAT
    // rules too.
    void mergeInterfaces(ConfigTree& tree);
    void changeInterfaces(ConfigTree& tree, const InterfaceRecord& oldRecord, const InterfaceRecord& newRecord);
    void saveInterfaces(ConfigTree& tree);
    // Moves the references of every change at once, each reference at most once.
    void rewriteInterfaceReferences(ConfigTree& tree, const std::vector<InterfaceChange>& changes);

    // ---- Network address objects (convert/netobjects.h) ---------------------------------------------

    const NetObjectList& netObjects() const { return netObjects_; }  // the objects created in this run

    // The object name for an address text, creating the object on first use; port receives a port
    // when the text is an address, a blank and a number (see NetObjectList::convertAddr).
    std::string convertAddr(std::string_view text, std::string& port, const std::string& desc);
    // The object of a kind (0, 1, 3, 4, 5, 6) for one value, or for two values (ranges, networks).
    std::string getNetObject(int kind, const std::string& value1, const std::string& value2, const std::string& desc);
    NetObjectRef lookupNetObject(int kind, std::string_view value) const;  // both empty: none
    bool netObjectExists(int kind, std::string_view name) const;
    NetObjectRef createNetObject(int kind, const std::string& value, const std::string& desc);
    std::string createCompoundNetObject(int kind, const std::string& label, const std::string& firstName,
                                        const std::string& secondName, const std::string& desc);
    void saveNetObjects(ConfigTree& tree);  // writes the created objects (never the fixed ones)

    // ---- Service and destination groups (convert/groups.h) ------------------------------------------

    // The service groups in reading order (the all-sets group last), the old destination records in
    // tree order, and the destination groups (DenyAll, PermitAll, then the built ones).
    const std::vector<ServiceGroup>& serviceGroups() const { return groups_.serviceGroups; }
    const std::vector<DestinationRecord>& destinationRecords() const { return groups_.destinationRecords; }
    const std::vector<DestinationGroup>& destinationGroups() const { return groups_.destinationGroups; }

    void parseSvcGroups(ConfigTree& oldTree);
    void parseDestGroups(ConfigTree& oldTree);
    void convertDestGroups();  // makes the objects of the records' addresses
    void saveServiceGroups(ConfigTree& tree);
    void saveDestGroups(ConfigTree& tree);

    // ---- Proxy rules (convert/proxy_rules.h) --------------------------------------------------------

    const std::vector<ProxyRule>& proxyRules() const { return proxyRules_.rules; }  // accepted, by old number
    int proxyRuleCount() const { return proxyRules_.written; }                      // rules written so far

    void parseProxyRules(ConfigTree& oldTree);  // completes the rules from the groups
    void saveProxyRules(ConfigTree& tree);

    // ---- NAT and INAT rules (convert/nat_rules.h) ---------------------------------------------------

    // The accepted rules of both kinds, ordered by old number.
    const std::vector<NatRule>& natRules() const { return natRules_.rules; }

    void parseNatRules(ConfigTree& oldTree);  // makes the objects of the rules' addresses
    void saveNatRules(ConfigTree& tree);

    // ---- Packet filter rules (convert/packet_filter.h) ----------------------------------------------

    // Services and rules, forward and local, of the old and the new tree.
    const PfRuleLists& pfLists() const { return packetFilter_.lists; }

    // Reads the edit lines that editTemplate finds ("pfedit_fwd_**=**" / "pfedit_lcl_**=**") into one
    // direction's lists and orders the whole rule list by old number.
    void parse5xStylePF(ConfigTree& tree, const char* editTemplate, std::vector<PfService>& services,
                        std::vector<PfRule>& rules, bool forward);
    // Reads the new-style services and rules of one direction; orders the rules it appended.
    void parse60StylePF(ConfigTree& tree, std::vector<PfService>& services, std::vector<PfRule>& rules, bool forward);
    // The old tree's rules into the old lists: edit lines forward and local, then new-style rules
    // forward and local.
    void parseOldTreePfRules(ConfigTree& oldTree);
    // The new tree's new-style rules, forward and local, into the new lists.
    void parseNewTreePfRules(ConfigTree& newTree);
    void savePfRules(ConfigTree& tree);

    // ---- What was converted, for the front ends (template/conversion_counts.h) ----------------------

    ConversionCounts counts() const;

    // ---- What became of every item, for the upgrade report (convert/item_records.h) -----------------

    // One record per item read or made, family by family: interfaces and aliases (old, then new),
    // network address objects, service and destination groups, proxy rules, NAT and INAT rules,
    // forward and local packet filter rules. Valid at any point of a run: after preprocessing the old
    // side is known and nothing has a new name yet; after postprocessing every written item carries
    // the setting name prefixes it was written as. Made anew on each call.
    std::vector<ItemRecord> itemRecords() const;
    // One record per old physical interface: its partner and how the pairing was made.
    std::vector<PairRecord> pairingRecords() const;

    // ==== End of conversion phases and converters ====================================================

private:
    friend struct BlockRunner;        // verbs_control.cpp: runs and skips the lines of blocks
    friend class ScriptLineRecorder;  // script_line_recorder.cpp: the records of dispatched lines

    bool failReading(std::string_view why);
    // The device names the interface merge moves besides the interfaces' own.
    DeviceReferences deviceReferences();

    std::ostream& logStream_;
    std::ostream& warningsStream_;
    int lineNumber_ = 0;
    int conditionalDepth_ = 0;  // nesting of running or skipped if_leaf / if_version blocks
    std::optional<std::string> version_;
    std::string errorText_;
    bool abortRequested_ = false;
    const std::atomic<bool>* stopRequest_ = nullptr;

    std::unique_ptr<std::istream> script_;
    bool readFailed_ = false;

    std::vector<ScriptLineRecord> scriptLines_;
    std::string section_;  // the section marker dispatched last
    // Per line being dispatched (outermost first): the edits of the lines it has dispatched itself.
    std::vector<TreeEditCounts> innerLineEdits_;

    InterfaceConverter interfaces_;
    NetObjectList netObjects_;
    GroupConverter groups_;
    ProxyRuleConverter proxyRules_;
    NatRuleConverter natRules_;
    PacketFilterConverter packetFilter_;
};
