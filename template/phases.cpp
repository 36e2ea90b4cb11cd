// The three phases of a conversion. Each interleaves the built-in converters with one section of the
// template script in a fixed order and writes a progress line to the log before each step:
//   preprocessing  - old tree: interfaces read, script up to [MERGE_TREE1], groups, packet filter,
//                    proxy and NAT/INAT rules read;
//   merging        - new tree: packet filter and interfaces read, interfaces paired; then the script
//                    up to [MERGE_TREE2] on the old tree and up to [POSTPROCESS] on the new tree;
//   postprocessing - the joined tree: interfaces merged, every converter's records written, then the
//                    rest of the script.
// The workflow absorbs the old tree into the new one (and, when needed, lets someone pair the
// interfaces) between merging and postprocessing.
#include <ostream>
#include <string>

#include "conftree/conftree.h"
#include "template/template_processor.h"

namespace {

// Runs one script section. A script that could not be opened, or stopped being readable part way
// (a read error, an over-long line), reads as if it had ended: its remaining sections would be
// skipped without a word and the phase would report success for a conversion that never ran them.
// That ends the phase as a failure instead, with the reason in errorText; the processor is not used
// further, as after user_error.
// A stop requested from elsewhere is honoured here, between sections, where the tree holds the
// result of whole sections only.
bool runSection(TemplateProcessor& processor, ConfigTree& tree, const char* endMarker) {
    if (processor.stopRequested()) {
        processor.requestAbort(kStopRequestedText);
        return false;
    }
    if (!processor.runScriptSection(tree, endMarker)) return false;
    if (!processor.scriptReadFailed()) return true;
    processor.requestAbort("Unable to read the template script: " + processor.scriptPath);
    return false;
}

}  // namespace

bool TemplateProcessor::runPreprocess(ConfigTree& oldTree) {
    logLine("Parsing interfaces.");
    if (!parse5xInterfaces(oldTree)) return false;

    logLine("Preprocessing configuration tree with template...");
    // The records show the proxy rules' sources and destinations as the old firewall had them,
    // before this section turns them into object names.
    proxyRules_.noteValuesBeforeScript(oldTree);
    if (!runSection(*this, oldTree, "[MERGE_TREE1]")) return false;
    logLine("Template preprocessing complete.");

    // Each reader logs its own faults; none of them stops the phase.
    logLine("Parsing service groups.");
    parseSvcGroups(oldTree);
    logLine("Parsing destination groups.");
    parseDestGroups(oldTree);
    logLine("Converting destination groups.");
    convertDestGroups();
    logLine("Parsing packet filter rules.");
    parseOldTreePfRules(oldTree);
    logLine("Parsing proxy rules.");
    parseProxyRules(oldTree);
    logLine("Parsing NAT/INAT rules.");
    parseNatRules(oldTree);

    logLine("Preprocessing complete.");
    return true;
}

bool TemplateProcessor::runMerge(ConfigTree& oldTree, ConfigTree& newTree) {
    logLine("Processing Merge configuration tree with template...");
    logLine("Examining new tree...");
    logLine("Parsing packet filter rules.");
    parseNewTreePfRules(newTree);
    logLine("Parsing interfaces.");
    parse60Interfaces(newTree);
    logLine("Reconciling interfaces.");
    reconcileInterfaces();
    if (interfaceMergeHelpRequired()) {
        logLine("Interface merge help will be required...");
        // The front end chooses whether this progress text is seen (with the progress dots).
        if (std::ostream* progress = progressStream()) {
            *progress << "...interface merge help will be required...";
            progress->flush();
        }
    }

    if (!runSection(*this, oldTree, "[MERGE_TREE2]")) return false;
    if (!runSection(*this, newTree, "[POSTPROCESS]")) return false;

    logLine("Merge Processing complete.");
    return true;
}

bool TemplateProcessor::runPostprocess(ConfigTree& tree) {
    logLine("Merging interfaces.");
    mergeInterfaces(tree);
    logLine("Saving interfaces...");
    saveInterfaces(tree);
    logLine("Saving network objects...");
    saveNetObjects(tree);
    logLine("Saving service groups...");
    saveServiceGroups(tree);
    logLine("Saving destination objects...");
    saveDestGroups(tree);
    logLine("Saving packet filter rules...");
    savePfRules(tree);
    logLine("Saving proxy rules...");
    saveProxyRules(tree);
    logLine("Saving NAT/INAT rules...");
    saveNatRules(tree);

    logLine("Postprocessing configuration tree with template...");
    if (!runSection(*this, tree, nullptr)) return false;

    logLine("Postprocessing complete.");
    return true;
}
