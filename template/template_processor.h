// The template processor: one conversion run driven by a template script.
//
// A template script is a text file of one verb per line ("rename_leaf a_b=** c", "add_leaf x=1").
// The processor owns the open script and reads it forward only, line by line; every verb line is
// handed to the handler that the verb table names, together with the configuration tree that the
// current section works on. The verbs are member functions so that they can read further script lines
// (blocks, item lists), write to the log and warnings streams and keep state between lines (the
// conditional depth, the version). The built-in converters are member operations too: they keep their
// records here between the phases of a conversion.
//
// Ownership: the processor owns the script stream and every converter record. It does not own the
// trees it is handed, nor the log and warnings streams (they must outlive it).
// Threads: one thread at a time; the wildcard scope stacks the verbs use are process-wide.
#pragma once

#include <array>
#include <cstddef>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/groups.h"
#include "convert/interfaces.h"
#include "convert/nat_rules.h"
#include "convert/netobjects.h"
#include "convert/packet_filter.h"
#include "convert/proxy_rules.h"

class ConfigTree;

// One script line as read: at most kScriptLineMax characters and the terminating NUL. Verbs that read
// lines of their own (blocks, item lists) keep their own ScriptLine.
inline constexpr std::size_t kScriptLineSize = 8192;
inline constexpr std::size_t kScriptLineMax = kScriptLineSize - 1;
using ScriptLine = std::array<char, kScriptLineSize>;

class TemplateProcessor {
public:
    // Opens the script at scriptPath for reading. When it cannot be opened, "Unable to open file: "
    // and the path go to the log and the processor reads as if the script were empty.
    // workingDirectory ends in a path separator ('/'); import_file appends file names to it.
    TemplateProcessor(std::ostream& logStream, std::ostream& warningsStream, std::string scriptPath,
                      std::string workingDirectory);
    // Same, reading the script from a stream the caller hands over (tests, in-memory scripts);
    // scriptPath is then only a name. A null stream reads as an empty script.
    TemplateProcessor(std::ostream& logStream, std::ostream& warningsStream,
                      std::unique_ptr<std::istream> script, std::string scriptPath,
                      std::string workingDirectory);
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
    // 0 for an empty line or an unknown verb. The line is changed in place (see splitVerb).
    int dispatchLine(ConfigTree& tree, char* line);

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

    // ---- Message helpers shared by the verbs and converters ----------------------------------------

    // Writes one line (text and a newline) to logStream and flushes it.
    void logLine(std::string_view text);
    // Writes a fault line: name + message + lineNumber + "): " + subject, a newline, flushed.
    // message is the fixed text, beginning with ": " and ending with "(".
    void logFault(std::string_view name, std::string_view message, std::string_view subject);

    // ---- State (read by the workflow and the front ends; written only by the processor) ------------

    std::ostream& logStream;
    std::ostream& warningsStream;
    const std::string scriptPath;
    const std::string workingDirectory;
    int lineNumber = 0;              // script lines read so far
    int conditionalDepth = 0;        // nesting of running or skipped if_leaf / if_version blocks
    std::optional<std::string> version;  // set by set_version, tested by if_version
    std::string errorText;           // the message that stopped the run (user_error)
    bool abortRequested = false;     // set by user_error; the running phase stops

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
    // The conversion phases (runPreprocess, runMerge, runPostprocess) and the built-in converters
    // (interfaces, network address objects, service and destination groups, proxy, NAT/INAT and
    // packet filter rules) are declared here, each family in its own block, with the records they keep
    // between phases. Their sources live in template/ (phases) and convert/ (converters).

    // ---- Conversion phases (template/phases.cpp) ----------------------------------------------------
    // Each runs its converters and its script section in a fixed order, with a progress line in the
    // log before each step. False when the phase stopped (errorText says why).

    bool runPreprocess(ConfigTree& oldTree);
    bool runMerge(ConfigTree& oldTree, ConfigTree& newTree);
    bool runPostprocess(ConfigTree& tree);

    // ---- Interfaces (convert/interfaces.cpp; records and pairing in convert/interfaces.h) -----------

    InterfaceList oldInterfaces;  // old tree: the physical interfaces, then the aliases
    InterfaceList newInterfaces;  // new tree, in tree order, aliases included
    int physicalCount = 0;        // physical interfaces at the head of oldInterfaces
    int unmatchedOld = 0;         // old physical interfaces the pairing by address left unpaired

    void parseInterfaces(ConfigTree& tree, InterfaceList& list, const std::string& templateText);
    bool parse5xInterfaces(ConfigTree& oldTree);  // false: no physical interface (errorText set)
    void parse60Interfaces(ConfigTree& newTree);
    void reconcileInterfaces();
    bool interfaceMergeHelpRequired() const;
    void mergeInterfaces(ConfigTree& tree);
    void changeInterfaces(ConfigTree& tree, const InterfaceRecord& oldRecord, const InterfaceRecord& newRecord);
    void saveInterfaces(ConfigTree& tree);
    // Moves the references of every change at once, each reference at most once (see interfaces.cpp).
    void rewriteInterfaceReferences(ConfigTree& tree, const std::vector<InterfaceChange>& changes);
    // add_leaf for a setting line the converter formatted itself.
    void addConvertedLeaf(ConfigTree& tree, std::string line);

    // ---- Network address objects (convert/netobject_ops.cpp; list in convert/netobjects.h) ---------

    NetObjectList netObjects;  // the objects created in this run, in creation order

    // The object name for an address text, creating the object on first use; port receives a port
    // when the text is an address, a blank and a number (see NetObjectList::convertAddr).
    std::string convertAddr(std::string_view text, std::string& port, const std::string& desc);
    // The object of a kind (0, 1, 3, 4, 5, 6) for one value, or for two values (ranges, networks).
    std::string getNetObject(int kind, const std::string& value1, const std::string& value2,
                             const std::string& desc);
    NetObjectRef lookupNetObject(int kind, std::string_view value) const;  // both empty: none
    bool netObjectExists(int kind, std::string_view name) const;
    NetObjectRef createNetObject(int kind, const std::string& value, const std::string& desc);
    std::string createCompoundNetObject(int kind, const std::string& label, const std::string& firstName,
                                        const std::string& secondName, const std::string& desc);
    void saveNetObjects(ConfigTree& tree);  // writes the created objects (never the fixed ones)

    // ---- Service and destination groups (convert/groups.cpp; records in convert/groups.h) ----------

    std::vector<ServiceGroup> serviceGroups;            // reading order; the all-sets group last
    std::vector<DestinationRecord> destinationRecords;  // old destination records, tree order
    std::vector<DestinationGroup> destinationGroups;    // DenyAll, PermitAll, then built groups

    void parseSvcGroups(ConfigTree& oldTree);
    void parseDestGroups(ConfigTree& oldTree);
    void convertDestGroups();
    void saveServiceGroups(ConfigTree& tree);
    void saveDestGroups(ConfigTree& tree);

    // ---- Proxy rules (convert/proxy_rules.cpp; record in convert/proxy_rules.h) --------------------

    std::vector<ProxyRule> proxyRules;  // accepted rules, ordered by old number
    int proxyRuleCount = 0;             // rules written so far

    void parseProxyRules(ConfigTree& oldTree);
    void saveProxyRules(ConfigTree& tree);

    // ---- NAT and INAT rules (convert/nat_rules.cpp; record in convert/nat_rules.h) -----------------

    std::vector<NatRule> natRules;  // accepted rules of both kinds, ordered by old number

    void parseNatRules(ConfigTree& oldTree);
    void saveNatRules(ConfigTree& tree);

    // ---- Packet filter rules (convert/packet_filter.cpp; records in convert/packet_filter.h) -------

    PfRuleLists pfLists;  // services and rules, forward and local, of the old and the new tree

    // Reads the edit lines that editTemplate finds ("pfedit_fwd_**=**" / "pfedit_lcl_**=**") into one
    // direction's lists and orders the whole rule list by old number.
    void parse5xStylePF(ConfigTree& tree, const char* editTemplate, std::vector<PfService>& services,
                        std::vector<PfRule>& rules, bool forward);
    // Reads the new-style services and rules of one direction; orders the rules it appended.
    void parse60StylePF(ConfigTree& tree, std::vector<PfService>& services, std::vector<PfRule>& rules,
                        bool forward);
    // The old tree's rules into the old lists: edit lines forward and local, then new-style rules
    // forward and local.
    void parseOldTreePfRules(ConfigTree& oldTree);
    // The new tree's new-style rules, forward and local, into the new lists.
    void parseNewTreePfRules(ConfigTree& newTree);
    void savePfRules(ConfigTree& tree);

    // ==== End of conversion phases and converters ====================================================

private:
    bool failReading(std::string_view why);

    std::unique_ptr<std::istream> script_;
    bool readFailed_ = false;
};
