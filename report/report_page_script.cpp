// The script of report.html (see report_page.h). Text from the report reaches the page only as text
// nodes (textContent, append of strings): no markup is ever made from the data. Tables show PAGE
// rows and offer more on request; the item search filters the records in memory and redraws the
// first page of each kind.
#include "report/report_page.h"

namespace reportpage {

std::string_view script() {
    return R"js(
(function () {
  'use strict';
  var PAGE = 200;
  var OUTCOMES = ['converted', 'changed', 'dropped', 'created'];

  // ---- small helpers ------------------------------------------------------------------------
  function add(node, child) {
    if (child === null || child === undefined || child === false) return node;
    if (Array.isArray(child)) { for (var i = 0; i < child.length; i++) add(node, child[i]); return node; }
    node.appendChild(child instanceof Node ? child : document.createTextNode(String(child)));
    return node;
  }
  function el(tag, cls, children) {
    var node = document.createElement(tag);
    if (cls) node.className = cls;
    return add(node, children);
  }
  function text(value) { return typeof value === 'string' ? value : (value === undefined || value === null ? '' : String(value)); }
  function list(value) { return Array.isArray(value) ? value : []; }
  function num(value) { return typeof value === 'number' && isFinite(value) ? value : 0; }
  function fmt(value) { return String(num(value)).replace(/\B(?=(\d{3})+(?!\d))/g, ','); }
  function plural(n, one, many) { return fmt(n) + ' ' + (num(n) === 1 ? one : many); }
  function dash() { return el('span', 'muted', '\u2014'); }
  function orDash(value) { return text(value) === '' ? dash() : text(value); }
  function code(value) { return text(value) === '' ? dash() : el('code', null, text(value)); }
  function td(cls, children) { return el('td', cls, children); }
  function numCell(value, extra) { return el('td', 'num' + (extra ? ' ' + extra : ''), fmt(value)); }
  function button(label, onClick, cls) {
    var b = el('button', cls || null, label);
    b.type = 'button';
    b.addEventListener('click', onClick);
    return b;
  }
  function table(cls, headings) {
    var t = el('table', cls);
    var tr = el('tr');
    headings.forEach(function (h) {
      var th = el('th', h.num ? 'num' : (h.cls || null), h.text !== undefined ? h.text : h);
      tr.appendChild(th);
    });
    t.appendChild(el('thead', null, tr));
    var body = el('tbody');
    t.appendChild(body);
    return { table: t, body: body };
  }
  function card(id, title, count) {
    var s = el('section', 'card');
    s.id = id;
    s.appendChild(el('h2', null, [title, count === undefined ? null : el('span', 'count', count)]));
    return s;
  }

  // Rows shown a page at a time: makeRow is called only for rows on screen, so a list of any length
  // costs one page of elements until more are asked for. The first page may be shorter (first).
  function paged(container, makeRow, first) {
    var rows = [];
    var shown = 0;
    var firstPage = first || PAGE;
    var status = el('span');
    var more = button('', function () { showMore(); });
    var bar = el('div', 'more', [status, more]);
    function update() {
      var left = rows.length - shown;
      bar.hidden = left <= 0;
      status.textContent = 'Showing ' + fmt(shown) + ' of ' + fmt(rows.length) + '.';
      more.textContent = 'Show ' + fmt(Math.min(PAGE, left)) + ' more';
    }
    function showMore() {
      var end = Math.min(rows.length, shown + (shown === 0 ? firstPage : PAGE));
      var fragment = document.createDocumentFragment();
      for (var i = shown; i < end; i++) fragment.appendChild(makeRow(rows[i]));
      container.appendChild(fragment);
      shown = end;
      update();
    }
    return {
      bar: bar,
      set: function (newRows) {
        rows = newRows;
        shown = 0;
        while (container.firstChild) container.removeChild(container.firstChild);
        showMore();
      }
    };
  }

  // ---- the data -------------------------------------------------------------------------------
  // The report from the data element. Its text is dropped once read: the page keeps the parsed
  // report, not a second copy of tens of megabytes of Base64 in the document.
  function readData() {
    var holder = document.getElementById('report-data');
    var packed = holder.textContent;
    var bytes;
    if (typeof Uint8Array.fromBase64 === 'function') {
      bytes = Uint8Array.fromBase64(packed);
    } else {
      var binary = atob(packed);
      bytes = new Uint8Array(binary.length);
      for (var i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
    }
    var report = JSON.parse(new TextDecoder('utf-8').decode(bytes));
    holder.textContent = '';
    return report;
  }

  // Maps, not plain objects, wherever a key comes from the data ("__proto__" is a fine branch name).
  var kindTitles = new Map(KINDS);
  function kindTitle(key) { return kindTitles.get(key) || text(key); }
  function kindKeys(report) {
    var keys = KINDS.map(function (k) { return k[0]; });
    Object.keys(report.counts || {}).forEach(function (k) { if (keys.indexOf(k) < 0) keys.push(k); });
    return keys;
  }

  // ---- header and overview --------------------------------------------------------------------
  function stageText(stage) {
    if (stage === 'final') return 'Final configuration';
    if (stage === 'conversion') return 'Conversion of the old configuration';
    return text(stage);
  }

  function header(report) {
    var t = report.template || {};
    document.title = 'Upgrade report \u2014 ' + stageText(report.stage);
    var sub = document.getElementById('subtitle');
    add(sub, [stageText(report.stage), ' \u00b7 template ', code(t.path)]);
    var sha = text(t.sha256);
    if (sha !== '') {
      var shown = el('code', null, sha.length > 12 ? sha.slice(0, 12) + '\u2026' : sha);
      shown.title = sha;
      add(sub, [' \u00b7 SHA-256 ', shown]);
    }
  }

  function totals(report) {
    var all = { read: 0, converted: 0, changed: 0, dropped: 0, created: 0 };
    kindKeys(report).forEach(function (k) {
      var c = (report.counts || {})[k] || {};
      Object.keys(all).forEach(function (o) { all[o] += num(c[o]); });
    });
    return all;
  }

  function overview(report) {
    var counts = report.finding_counts || {};
    var box = el('div', 'overview');
    [['high', 'High'], ['medium', 'Medium'], ['info', 'Info']].forEach(function (s) {
      var n = num(counts[s[0]]);
      var chip = el('a', 'chip ' + s[0] + (n === 0 ? ' zero' : ''), [el('span', 'n', fmt(n)),
        el('span', 'what', s[1] + (n === 1 ? ' finding' : ' findings'))]);
      chip.href = '#findings-' + s[0];
      chip.dataset.severity = s[0];
      box.appendChild(chip);
    });
    var all = totals(report);
    var items = el('a', 'chip items', [el('span', 'n', plural(all.read + all.created, 'item', 'items')),
      el('span', 'what', [el('span', null, fmt(all.read) + ' read'), el('span', null, fmt(all.converted) + ' converted'),
        el('span', null, fmt(all.changed) + ' changed'), el('span', null, fmt(all.dropped) + ' dropped'),
        el('span', null, fmt(all.created) + ' created')])]);
    items.href = '#counts';
    box.appendChild(items);
    return box;
  }

  // ---- findings -------------------------------------------------------------------------------
  // Key, title, hint, and how many to show before "more": every high finding, a few of the others.
  var SEVERITIES = [
    ['high', 'High', 'check these before the new configuration is put to use', PAGE],
    ['medium', 'Medium', 'worth a look', 10],
    ['info', 'Info', 'for the record', 5]
  ];
  var SHOWN_SETTINGS = 8;

  function findingItem(f) {
    var li = el('li', 'finding');
    li.appendChild(el('p', 'msg', text(f.message)));
    var meta = el('p', 'meta', el('span', 'fcode', text(f.code)));
    var settings = list(f.settings);
    var codes = settings.map(function (s) { return el('code', null, text(s)); });
    codes.forEach(function (c, i) { if (i >= SHOWN_SETTINGS) c.hidden = true; });
    add(meta, codes);
    if (settings.length > SHOWN_SETTINGS) {
      var rest = button('and ' + fmt(settings.length - SHOWN_SETTINGS) + ' more', function () {
        codes.forEach(function (c) { c.hidden = false; });
        rest.remove();
      }, 'link');
      meta.appendChild(rest);
    }
    li.appendChild(meta);
    return li;
  }

  function findings(report) {
    var all = list(report.findings);
    var box = el('div');
    box.id = 'findings';
    SEVERITIES.forEach(function (s) {
      var mine = all.filter(function (f) { return f.severity === s[0]; });
      if (mine.length === 0 && s[0] !== 'high') return;
      var block = el('section', 'findings ' + (mine.length === 0 ? 'none' : s[0]));
      block.id = 'findings-' + s[0];
      if (mine.length === 0) {
        block.appendChild(el('h2', null, 'No high findings'));
      } else {
        block.appendChild(el('h2', null, [plural(mine.length, s[0] + ' finding', s[0] + ' findings'),
          el('span', 'hint', s[2])]));
        var ul = el('ul');
        var pages = paged(ul, findingItem, s[3]);
        block.appendChild(ul);
        block.appendChild(pages.bar);
        pages.set(mine);
      }
      box.appendChild(block);
    });
    return box;
  }

  // ---- counts ---------------------------------------------------------------------------------
  var COLUMNS = ['read', 'converted', 'changed', 'dropped', 'created'];

  function countsCard(report) {
    var s = card('counts', 'Items by kind');
    var t = table('counts', ['Kind'].concat(COLUMNS.map(function (c) { return { text: c, num: true }; })));
    var counts = report.counts || {};
    kindKeys(report).forEach(function (k) {
      var c = counts[k] || {};
      var any = COLUMNS.some(function (o) { return num(c[o]) > 0; });
      var name = any ? el('a', null, kindTitle(k)) : kindTitle(k);
      if (any) name.href = '#kind-' + k;
      var tr = el('tr', any ? null : 'empty', td(null, name));
      COLUMNS.forEach(function (o) {
        var extra = num(c[o]) > 0 ? (o === 'dropped' ? 'warn' : (o === 'changed' ? 'attn' : '')) : 'zero';
        var cell = numCell(c[o], extra);
        cell.dataset.kind = k;
        cell.dataset.outcome = o;
        tr.appendChild(cell);
      });
      t.body.appendChild(tr);
    });
    var all = totals(report);
    var total = el('tr', 'total', td(null, 'All kinds'));
    COLUMNS.forEach(function (o) { total.appendChild(numCell(all[o])); });
    t.body.appendChild(total);
    s.appendChild(t.table);
    return s;
  }

  // ---- interface pairing ----------------------------------------------------------------------
  function side(x) {
    if (!x) return [td(null, dash()), td(null, dash()), td(null, dash())];
    var addr = text(x.addr) + (text(x.netmask) !== '' ? ' / ' + text(x.netmask) : '');
    return [td(null, [el('code', null, text(x.device)), ' ', el('span', 'muted', text(x.name))]),
            td(null, code(addr)),
            td(null, [orDash(x.location), x.nat ? ' \u00b7 NAT' : ''])];
  }

  function pairingCard(report) {
    var pairs = list(report.pairing);
    var s = card('pairing', 'Interface pairing', plural(pairs.length, 'interface', 'interfaces'));
    if (pairs.length === 0) {
      s.appendChild(el('p', 'nothing', 'No interfaces were paired.'));
      return s;
    }
    var t = table('pairing', ['Old interface', 'Address', 'Location', { text: '', cls: 'arrow' }, 'New interface',
                              'Address', 'Location', 'Pairing']);
    var pages = paged(t.body, function (p) {
      var tr = el('tr', null, side(p.old));
      tr.appendChild(td('arrow', '\u2192'));
      add(tr, side(p['new']));
      var how = td(null, el('span', 'badge' + (p.method === 'unpaired' ? ' changed' : ''), text(p.method)));
      if (p.shared) add(how, [' ', el('span', 'badge warn', 'shared')]);
      tr.appendChild(how);
      return tr;
    }, 30);
    s.appendChild(t.table);
    s.appendChild(pages.bar);
    pages.set(pairs);
    return s;
  }

  // ---- records --------------------------------------------------------------------------------
  var ORIGINS = new Map([['new', 'from the new firewall'], ['upgrade', 'made by the upgrade']]);

  function fieldsRow(r) {
    var t = table('fields', ['Field', 'Old value', 'New value']);
    list(r.fields).forEach(function (f) {
      t.body.appendChild(el('tr', text(f.old) === text(f['new']) ? 'same' : null,
        [td(null, text(f.name)), td(null, code(f.old)), td(null, code(f['new']))]));
    });
    var cell = td(null, t.table);
    cell.colSpan = 5;
    return el('tr', 'detail', cell);
  }

  function recordRow(r) {
    var tr = el('tr');
    var origin = ORIGINS.has(r.origin) ? el('span', 'origin', ORIGINS.get(r.origin)) : null;
    tr.appendChild(td('id', text(r.old_id) === '' && origin ? origin : [code(r.old_id), origin]));
    tr.appendChild(td('label', orDash(r.label)));
    var ids = list(r.new_ids);
    tr.appendChild(td('newids', ids.length === 0 ? dash() : ids.map(function (id, i) {
      return [i > 0 ? el('br') : null, el('code', null, text(id))];
    })));
    tr.appendChild(td('outcome', el('span', 'badge ' + text(r.outcome), text(r.outcome))));
    var reasons = list(r.reasons);
    var last = td(null, reasons.length === 0 ? null : el('ul', 'reasons', reasons.map(function (x) {
      return el('li', null, text(x));
    })));
    var fields = list(r.fields);
    if (fields.length > 0) {
      var detail = null;
      var toggle = button('Fields (' + fields.length + ')', function () {
        if (detail) { detail.remove(); detail = null; return; }
        detail = fieldsRow(r);
        tr.after(detail);
      }, 'link');
      last.appendChild(toggle);
    }
    tr.appendChild(last);
    return tr;
  }

  function searchText(r) {
    if (r._search === undefined) {
      var parts = [r.kind, r.outcome, r.origin, r.old_id, r.label].concat(list(r.new_ids), list(r.reasons));
      list(r.fields).forEach(function (f) { parts.push(f.name, f.old, f['new']); });
      r._search = parts.map(text).join('\n').toLowerCase();
    }
    return r._search;
  }

  function recordsCard(report) {
    var s = card('items', 'Items');
    var records = list(report.records);
    var search = el('input');
    search.type = 'search';
    search.id = 'search';
    search.placeholder = 'Search items: setting, label, address, object, reason\u2026';
    search.setAttribute('aria-label', 'Search items');
    var outcome = el('select');
    outcome.id = 'outcome';
    outcome.setAttribute('aria-label', 'Outcome');
    [['', 'Every outcome'], ['attention', 'Changed or dropped']].concat(OUTCOMES.map(function (o) {
      return [o, o.charAt(0).toUpperCase() + o.slice(1)];
    })).forEach(function (o) {
      var option = el('option', null, o[1]);
      option.value = o[0];
      outcome.appendChild(option);
    });
    var status = el('span', 'status');
    status.id = 'search-status';
    var toolbar = el('div', 'toolbar', [search, outcome, status]);
    toolbar.hidden = records.length === 0;
    s.appendChild(toolbar);

    var groups = new Map();
    records.forEach(function (r) {
      var k = text(r.kind);
      if (!groups.has(k)) groups.set(k, []);
      groups.get(k).push(r);
    });
    var views = [];
    var keys = kindKeys(report);
    groups.forEach(function (v, k) { if (keys.indexOf(k) < 0) keys.push(k); });
    keys.forEach(function (k) {
      var mine = groups.get(k);
      if (!mine) return;
      var part = el('div', 'kind');
      part.id = 'kind-' + k;
      var count = el('span', 'count');
      part.appendChild(el('h3', null, [kindTitle(k), count]));
      var t = table('records', ['Old setting', 'Label', 'New settings', 'Outcome', 'Reasons']);
      var pages = paged(t.body, recordRow);
      part.appendChild(t.table);
      part.appendChild(pages.bar);
      s.appendChild(part);
      views.push({ all: mine, part: part, count: count, pages: pages });
    });
    var none = el('p', 'nothing', records.length === 0 ? 'The report holds no items.' : 'No item matches.');
    s.appendChild(none);

    function matches(r, wanted, terms) {
      if (wanted === 'attention') { if (r.outcome !== 'changed' && r.outcome !== 'dropped') return false; }
      else if (wanted !== '' && r.outcome !== wanted) return false;
      if (terms.length === 0) return true;
      var hay = searchText(r);
      for (var i = 0; i < terms.length; i++) if (hay.indexOf(terms[i]) < 0) return false;
      return true;
    }
    function apply() {
      var terms = search.value.toLowerCase().split(/\s+/).filter(Boolean);
      var wanted = outcome.value;
      var total = 0;
      views.forEach(function (v) {
        var rows = terms.length === 0 && wanted === '' ? v.all
                   : v.all.filter(function (r) { return matches(r, wanted, terms); });
        total += rows.length;
        v.part.hidden = rows.length === 0;
        v.count.textContent = rows.length === v.all.length ? fmt(v.all.length)
                              : fmt(rows.length) + ' of ' + fmt(v.all.length);
        v.pages.set(rows);
      });
      none.hidden = total > 0;
      status.textContent = total === records.length ? plural(records.length, 'item', 'items')
                           : fmt(total) + ' of ' + plural(records.length, 'item match', 'items match');
    }
    var timer = null;
    search.addEventListener('input', function () {
      clearTimeout(timer);
      timer = setTimeout(apply, records.length > 20000 ? 150 : 60);
    });
    outcome.addEventListener('change', apply);

    var hash = location.hash;
    if (hash.indexOf('#q=') === 0) {
      var q = hash.slice(3);
      try { q = decodeURIComponent(q.replace(/\+/g, ' ')); } catch (e) { /* keep it as written */ }
      search.value = q;
    }
    apply();
    return s;
  }

  // ---- script lines ---------------------------------------------------------------------------
  function scriptCard(report) {
    var lines = list(report.script_lines);
    var s = card('script', 'Template script', plural(lines.length, 'line', 'lines'));
    if (lines.length === 0) {
      s.appendChild(el('p', 'nothing', 'No script line was run.'));
      return s;
    }
    var t = table('script', [{ text: 'Line', num: true }, 'Section', 'Verb', 'Arguments', { text: 'Found', num: true },
                             { text: 'Changed', num: true }, { text: 'Added', num: true },
                             { text: 'Removed', num: true }]);
    var pages = paged(t.body, function (l) {
      var idle = num(l.changed) + num(l.added) + num(l.removed) === 0;
      var tr = el('tr', l.known === false ? 'unknown' : (idle ? 'idle' : null));
      tr.appendChild(numCell(l.line));
      tr.appendChild(td(null, code(l.section)));
      tr.appendChild(td(null, [code(l.verb), l.known === false ? [' ', el('span', 'badge changed', 'unknown verb')] : null]));
      tr.appendChild(td(null, code(l.arguments)));
      ['matches', 'changed', 'added', 'removed'].forEach(function (k) { tr.appendChild(numCell(l[k])); });
      return tr;
    });
    s.appendChild(t.table);
    s.appendChild(pages.bar);
    pages.set(lines);
    return s;
  }

  // ---- the new firewall's settings ------------------------------------------------------------
  function settingsCard(report) {
    var changes = list(report.new_settings_changed);
    var s = card('settings', 'Settings of the new firewall changed by the upgrade', plural(changes.length, 'setting', 'settings'));
    if (changes.length === 0) {
      s.appendChild(el('p', 'nothing', 'The upgrade kept every setting of the new firewall\u2019s initial configuration.'));
      return s;
    }
    var branches = [];
    var byBranch = new Map();
    changes.forEach(function (c) {
      var b = text(c.branch);
      if (!byBranch.has(b)) { byBranch.set(b, []); branches.push(b); }
      byBranch.get(b).push(c);
    });
    branches.forEach(function (b) {
      s.appendChild(el('h3', null, [el('code', null, b), el('span', 'muted', ' \u00b7 ' + plural(byBranch.get(b).length, 'setting', 'settings'))]));
      var t = table('settings', ['Setting', 'Initial value', 'Final value']);
      var pages = paged(t.body, function (c) {
        return el('tr', null, [td(null, code(c.setting)), td(null, code(c.old)),
          td(null, c.removed ? el('span', 'removed', 'removed') : code(c['new']))]);
      }, 50);
      s.appendChild(t.table);
      s.appendChild(pages.bar);
      pages.set(byBranch.get(b));
    });
    return s;
  }

  // ---- the page -------------------------------------------------------------------------------
  function build() {
    var report = readData();
    header(report);
    var main = document.getElementById('main');
    add(main, [overview(report), findings(report), countsCard(report), pairingCard(report), recordsCard(report),
               scriptCard(report), settingsCard(report)]);
  }

  try {
    build();
    document.body.dataset.readyMs = String(Math.round(performance.now()));
    document.body.dataset.ready = '1';
  } catch (e) {
    var box = document.getElementById('load-error');
    box.textContent = 'The report\u2019s data could not be read: ' + (e && e.message ? e.message : String(e));
    box.hidden = false;
    document.body.dataset.error = String(e && e.message ? e.message : e);
  }
})();
)js";
}

}  // namespace reportpage
