/*
 * The leaderboard page: receives the client's pushes through clientJS2,
 * keeps the board (board_model.js), and draws it for a wall screen: rows
 * that slide to their new places, scores that count up to their new value,
 * arrows for who moved. Asks the client through serverJS for the machine
 * and application names shown in the footer.
 *
 * Opened in an ordinary browser there is no serverJS and no push: the page
 * still shows the board, read from the demo server's /api/board.
 *
 * Tests read the page's state from window.__board (see `hooks` below).
 */
(function () {
  'use strict';

  var Model = window.BoardModel;
  var board = Model.createBoard();

  var SLIDE_MS = 700; // matches the transform transition in board.css
  var TICK_MS = 900; // a score counting up to its new value
  var FLASH_MS = 1400;
  var ARROW_MS = 12000; // how long a move's arrow stays
  var TOAST_MS = 8000;
  var BANNER_MS = 10000;
  var MAX_TOASTS = 3;
  var POLL_MS = 3000; // browser preview only

  // What end-to-end tests read back. Replaced fields, never mutated in place
  // where a reader could hold the old one half-way.
  var hooks = {
    rows: [], // the ranking after the last change: {id, name, score, rank}, best first
    title: null,
    calls: 0, // clientJS2 calls
    kinds: { conn: 0, update: 0, error: 0, snapshot: 0, score: 0, notice: 0, other: 0, invalid: 0 },
    lastSeq: null, // sequence number of the board shown
    lastEnvelope: null,
    errors: [], // the last "sys"/"error" reports' data
    handlerErrors: 0, // exceptions inside clientJS2, caught
    connected: false,
    updates: 0, // "sys"/"update" received (the client reloads the page after it)
    latency: Model.createLatency(),
    footer: { pcname: null, appname: null },
    bridge: typeof window.serverJS === 'function',
    renders: 0,
  };
  window.__board = hooks;

  var elements = {
    board: document.getElementById('board'),
    title: document.getElementById('title'),
    clock: document.getElementById('clock'),
    date: document.getElementById('date'),
    status: document.getElementById('status'),
    machine: document.getElementById('machine'),
    appname: document.getElementById('appname'),
    updated: document.getElementById('updated'),
    toasts: document.getElementById('toasts'),
    banner: document.getElementById('banner'),
    empty: document.getElementById('empty'),
  };

  function now() {
    return Date.now();
  }

  function two(n) {
    return (n < 10 ? '0' : '') + n;
  }

  function timeText(date) {
    return two(date.getHours()) + ':' + two(date.getMinutes()) + ':' + two(date.getSeconds());
  }

  // --- The client's serverJS ------------------------------------------------

  // The reply, or undefined without a client (or when the client refuses:
  // it answers only its own server's top-level page).
  function callServer(c, a, data) {
    if (typeof window.serverJS !== 'function') return undefined;
    try {
      return window.serverJS(JSON.stringify({ c: c, a: a, data: data || {} }));
    } catch (e) {
      return undefined;
    }
  }

  function showFooterNames() {
    var pcname = callServer('sys', 'pcname');
    var appname = callServer('sys', 'appname');
    hooks.footer = {
      pcname: typeof pcname === 'string' ? pcname : null,
      appname: typeof appname === 'string' ? appname : null,
    };
    elements.machine.textContent = '本机 ' + (hooks.footer.pcname || '—');
    elements.appname.textContent = hooks.footer.appname || '浏览器预览';
  }

  // --- Rows -----------------------------------------------------------------

  // id (as text) -> the row's elements and animation state
  var rows = new Map();
  var layout = { columns: 1, rowHeight: 60, columnWidth: 600, gap: 12 };

  function makeRow(key) {
    var el = document.createElement('div');
    el.className = 'row entering';
    el.innerHTML =
      '<span class="rank"></span><span class="name"></span>' +
      '<span class="score"></span><span class="move"></span>';
    elements.board.appendChild(el);
    var row = {
      key: key,
      el: el,
      rankEl: el.children[0],
      nameEl: el.children[1],
      scoreEl: el.children[2],
      moveEl: el.children[3],
      shown: null, // the score on screen
      from: 0,
      target: 0,
      tickStart: 0,
      slot: -1,
      moveUntil: 0,
      flashTimer: null,
    };
    rows.set(key, row);
    // Next frame: let it fade in from its first place.
    requestFrame(function () {
      el.classList.remove('entering');
    });
    return row;
  }

  function removeRow(row) {
    rows.delete(row.key);
    row.el.classList.add('leaving');
    setTimeout(function () {
      if (row.el.parentNode) row.el.parentNode.removeChild(row.el);
    }, SLIDE_MS);
  }

  function computeLayout() {
    var width = elements.board.clientWidth;
    var height = elements.board.clientHeight;
    // Wide screens get two columns of ten: rows twice as tall, type twice as
    // large, and still every place on screen.
    var columns = width >= 900 && width / Math.max(height, 1) > 1.25 ? 2 : 1;
    var perColumn = Math.ceil(Model.MAX_ROWS / columns);
    var gap = Math.max(6, Math.round(height * 0.012));
    var rowHeight = Math.max(28, Math.floor((height - gap * (perColumn - 1)) / perColumn));
    var columnWidth = Math.floor((width - gap * 2 * (columns - 1)) / columns);
    layout = {
      columns: columns,
      perColumn: perColumn,
      rowHeight: rowHeight,
      columnWidth: columnWidth,
      gap: gap,
    };
    elements.board.style.setProperty('--row-h', rowHeight + 'px');
  }

  function placeRow(row, slot) {
    var column = Math.floor(slot / layout.perColumn);
    var line = slot % layout.perColumn;
    var x = column * (layout.columnWidth + layout.gap * 2);
    var y = line * (layout.rowHeight + layout.gap);
    row.el.style.width = layout.columnWidth + 'px';
    row.el.style.height = layout.rowHeight + 'px';
    row.el.style.transform = 'translate(' + x + 'px,' + y + 'px)';
    row.slot = slot;
  }

  function setMove(row, move, at) {
    row.moveEl.className = 'move';
    if (move === 'new') {
      row.moveEl.textContent = '新';
      row.moveEl.classList.add('new');
    } else if (move > 0) {
      row.moveEl.textContent = '▲' + move;
      row.moveEl.classList.add('up');
    } else if (move < 0) {
      row.moveEl.textContent = '▼' + -move;
      row.moveEl.classList.add('down');
    } else {
      row.moveEl.textContent = '–';
      return;
    }
    row.moveUntil = at + ARROW_MS;
  }

  function flash(row, direction) {
    row.el.classList.remove('gain', 'loss');
    // Restart the animation even when the class was already there.
    void row.el.offsetWidth;
    row.el.classList.add(direction > 0 ? 'gain' : 'loss');
    clearTimeout(row.flashTimer);
    row.flashTimer = setTimeout(function () {
      row.el.classList.remove('gain', 'loss');
    }, FLASH_MS);
  }

  // --- Drawing, once per frame however many pushes arrived -------------------

  var pendingMoves = new Map();
  var pendingChanged = new Set();
  var frameRequested = false;

  // requestAnimationFrame does not run while the view is hidden; the timer
  // keeps the DOM current all the same.
  function requestFrame(callback) {
    var done = false;
    function once() {
      if (done) return;
      done = true;
      callback();
    }
    if (window.requestAnimationFrame) window.requestAnimationFrame(once);
    setTimeout(once, 100);
  }

  function scheduleRender() {
    if (frameRequested) return;
    frameRequested = true;
    requestFrame(function () {
      frameRequested = false;
      render();
    });
  }

  function render() {
    hooks.renders += 1;
    var at = now();
    var ranking = Model.ranked(board).slice(0, Model.MAX_ROWS);
    var seen = new Set();
    elements.empty.hidden = ranking.length > 0;
    if (board.title) {
      elements.title.textContent = board.title;
      document.title = board.title;
    }
    ranking.forEach(function (entry, slot) {
      var key = String(entry.id);
      seen.add(key);
      var row = rows.get(key) || makeRow(key);
      row.rankEl.textContent = entry.rank;
      row.el.classList.toggle('first', entry.rank === 1);
      row.el.classList.toggle('second', entry.rank === 2);
      row.el.classList.toggle('third', entry.rank === 3);
      if (row.nameEl.textContent !== entry.name) {
        row.nameEl.textContent = entry.name;
        row.nameEl.title = entry.name;
      }
      if (row.shown === null) {
        row.shown = entry.score;
        row.target = entry.score;
        row.scoreEl.textContent = Model.formatScore(entry.score);
      } else if (row.target !== entry.score) {
        if (pendingChanged.has(key)) flash(row, entry.score - row.target);
        row.from = row.shown;
        row.target = entry.score;
        row.tickStart = at;
        startTicking();
      }
      if (pendingMoves.has(key)) setMove(row, pendingMoves.get(key), at);
      else if (row.moveUntil && at > row.moveUntil) {
        row.moveUntil = 0;
        setMove(row, 0, at);
      }
      if (row.slot !== slot) placeRow(row, slot);
    });
    rows.forEach(function (row, key) {
      if (!seen.has(key)) removeRow(row);
    });
    pendingMoves = new Map();
    pendingChanged = new Set();
  }

  function relayout() {
    computeLayout();
    rows.forEach(function (row) {
      var slot = row.slot;
      row.slot = -1;
      placeRow(row, slot);
    });
  }

  // Scores count towards their targets, eased, all in one frame loop.
  var ticking = false;

  function startTicking() {
    if (ticking) return;
    ticking = true;
    requestFrame(tick);
  }

  function tick() {
    var at = now();
    var busy = false;
    rows.forEach(function (row) {
      if (row.shown === row.target) return;
      var t = Math.min(1, (at - row.tickStart) / TICK_MS);
      var eased = 1 - Math.pow(1 - t, 3);
      var value = t >= 1 ? row.target : Math.round(row.from + (row.target - row.from) * eased);
      if (value !== row.shown) {
        row.shown = value;
        row.scoreEl.textContent = Model.formatScore(value);
      }
      if (row.shown !== row.target) busy = true;
    });
    if (busy) {
      requestFrame(tick);
    } else {
      ticking = false;
    }
  }

  // --- Notices ----------------------------------------------------------------

  function toast(text, kind) {
    var el = document.createElement('div');
    el.className = 'toast ' + (kind || '');
    el.textContent = text;
    elements.toasts.appendChild(el);
    while (elements.toasts.children.length > MAX_TOASTS) {
      elements.toasts.removeChild(elements.toasts.firstChild);
    }
    setTimeout(function () {
      el.classList.add('fading');
      setTimeout(function () {
        if (el.parentNode) el.parentNode.removeChild(el);
      }, 600);
    }, TOAST_MS);
  }

  // The notice of an update. The client reloads the page before it hands
  // over the message, so the message may reach the new page: the notice goes
  // by itself.
  var bannerTimer = null;

  function showBanner() {
    elements.banner.hidden = false;
    clearTimeout(bannerTimer);
    bannerTimer = setTimeout(function () {
      elements.banner.hidden = true;
    }, BANNER_MS);
  }

  function markUpdated() {
    elements.updated.textContent = '更新于 ' + timeText(new Date());
  }

  function setConnected() {
    hooks.connected = true;
    elements.status.textContent = '已连接';
    elements.status.className = 'status online';
  }

  // --- Pushed envelopes --------------------------------------------------------

  function publishBoard() {
    hooks.rows = Model.ranked(board);
    hooks.lastSeq = board.seq;
    hooks.title = board.title;
  }

  function applyResult(result, changed) {
    if (!result.applied) return;
    result.moves.forEach(function (move, key) {
      pendingMoves.set(key, move);
    });
    (changed || []).forEach(function (key) {
      pendingChanged.add(key);
    });
    publishBoard();
    markUpdated();
    scheduleRender();
  }

  function handle(message) {
    var envelope = Model.parseEnvelope(message);
    var kind = Model.classify(envelope);
    hooks.kinds[kind] += 1;
    hooks.lastEnvelope = envelope;
    var data = envelope ? envelope.data : null;
    Model.recordLatency(hooks.latency, data, now());
    switch (kind) {
      case 'conn':
        // Possibly a restarted server, whose numbers start again.
        Model.resetSequence(board);
        setConnected();
        break;
      case 'update':
        // The client reloads the page itself; say why the screen blinks.
        hooks.updates += 1;
        showBanner();
        break;
      case 'error':
        hooks.errors = hooks.errors.concat([data]).slice(-20);
        toast(Model.errorText(data), 'error');
        break;
      case 'snapshot':
        applyResult(Model.applySnapshot(board, data));
        break;
      case 'score': {
        var result = Model.applyScore(board, data);
        applyResult(result, result.changed);
        break;
      }
      case 'notice':
        if (data && typeof data.text === 'string') toast(data.text, 'notice');
        break;
      default:
        break;
    }
  }

  // The client calls this for every push and for the page's own console
  // errors. Nothing may escape it: an exception here would come back as one
  // more error report.
  /** @param {Orvane.Received<Orvane.Demo.Any>} message (docs/orvane.d.ts) */
  window.clientJS2 = function (message) {
    hooks.calls += 1;
    try {
      handle(message);
    } catch (e) {
      hooks.handlerErrors += 1;
      try {
        toast('页面处理消息出错 · ' + (e && e.message ? e.message : String(e)), 'error');
      } catch (ignored) {
        // Nothing left to tell.
      }
    }
  };

  // --- The board over HTTP (first paint, browser preview) ---------------------

  function fetchBoard() {
    if (!window.fetch) return;
    window
      .fetch('/api/board', { cache: 'no-store' })
      .then(function (response) {
        return response.ok ? response.json() : null;
      })
      .then(function (envelope) {
        if (envelope && Model.classify(envelope) === 'snapshot') {
          applyResult(Model.applySnapshot(board, envelope.data));
        }
      })
      .catch(function () {
        // Not served by the demo server (or it is down): wait for pushes.
      });
  }

  // --- Clock --------------------------------------------------------------------

  var WEEKDAYS = ['日', '一', '二', '三', '四', '五', '六'];

  function showClock() {
    var date = new Date();
    var at = date.getTime();
    // Arrows of old moves go, even when nothing else has changed.
    rows.forEach(function (row) {
      if (row.moveUntil && at > row.moveUntil) {
        row.moveUntil = 0;
        setMove(row, 0, at);
      }
    });
    elements.clock.textContent = two(date.getHours()) + ':' + two(date.getMinutes());
    elements.date.textContent =
      date.getMonth() + 1 + '月' + date.getDate() + '日 星期' + WEEKDAYS[date.getDay()];
  }

  // --- Start ----------------------------------------------------------------------

  // The clock's text first: the header's height decides the board's.
  showClock();
  showFooterNames();
  computeLayout();
  setInterval(showClock, 1000);
  window.addEventListener('resize', relayout);
  window.addEventListener('load', relayout);
  if (window.ResizeObserver) new window.ResizeObserver(relayout).observe(elements.board);
  fetchBoard();
  if (!hooks.bridge) setInterval(fetchBoard, POLL_MS);
})();
