/*
 * The measuring page of bench/e2e: what it measures comes from config.ini,
 * [bench] mode, read through the client's serverJS "readini"; what it found
 * goes back through "writeini" into [bench] report (JSON), which the bench
 * script reads from the file.
 *
 *   calls    rounds of 1000 "pcname" calls in a tight loop; the time of each
 *            round as the page's clock sees it
 *   latency  for each "board"/"score" push: the page's wall clock minus the
 *            server's data.sentAt, until [bench] expect samples
 *   count    clientJS2 only counts and checks the sequence numbers
 *   slow     as count, and spends 5 ms on each message
 */
(function () {
  'use strict';

  function call(c, a, data) {
    return window.serverJS(JSON.stringify({ c: c, a: a, data: data || {} }));
  }
  function readSetting(key, fallback) {
    var value = call('sys', 'readini', { node: 'bench', key: key, value: fallback });
    return typeof value === 'string' ? value : fallback;
  }
  function report(result) {
    call('sys', 'writeini', { node: 'bench', key: 'report', value: JSON.stringify(result) });
  }
  function show(text) {
    document.getElementById('status').textContent = text;
  }

  var mode = readSetting('mode', 'count');
  var expect = parseInt(readSetting('expect', '0'), 10) || 0;
  show('bench: ' + mode);

  function runCalls() {
    var rounds = parseInt(readSetting('rounds', '5'), 10) || 5;
    var perRound = 1000;
    var times = [];
    var answer = null;
    function round() {
      var envelope = JSON.stringify({ c: 'sys', a: 'pcname' });
      var start = performance.now();
      for (var i = 0; i < perRound; i++) answer = window.serverJS(envelope);
      times.push(performance.now() - start);
      if (times.length < rounds) {
        setTimeout(round, 300);
      } else {
        report({ mode: 'calls', perRound: perRound, roundMs: times, answer: answer, done: true });
      }
    }
    // Let the page and the link settle first.
    setTimeout(round, 2000);
  }

  function runLatency() {
    var samples = [];
    var done = false;
    window.clientJS2 = function (message) {
      if (done || !message || message.c !== 'board' || message.a !== 'score') return;
      var sentAt = message.data && message.data.sentAt;
      if (typeof sentAt !== 'number') return;
      samples.push(Date.now() - sentAt);
      if (samples.length >= expect) {
        done = true;
        report({ mode: 'latency', samples: samples, done: true });
      }
    };
    setInterval(function () {
      if (!done) report({ mode: 'latency', count: samples.length, done: false });
    }, 1000);
  }

  function runCount(spendMs) {
    var state = {
      mode: spendMs > 0 ? 'slow' : 'count',
      count: 0,
      firstSeq: null,
      lastSeq: null,
      gaps: 0,
      backwards: 0,
      firstAt: null,
      lastAt: null,
      done: false,
    };
    window.clientJS2 = function (message) {
      if (!message || message.c !== 'board' || message.a !== 'score') return;
      var seq = message.data.seq;
      if (state.lastSeq === null) {
        state.firstSeq = seq;
        state.firstAt = Date.now();
      } else if (seq <= state.lastSeq) {
        state.backwards += 1;
      } else if (seq !== state.lastSeq + 1) {
        state.gaps += seq - state.lastSeq - 1;
      }
      state.lastSeq = seq;
      state.count += 1;
      state.lastAt = Date.now();
      if (spendMs > 0) {
        var until = performance.now() + spendMs;
        while (performance.now() < until) {
          // a page busy drawing
        }
      }
      if (expect > 0 && state.count === expect) {
        state.done = true;
        report(state);
      }
    };
    setInterval(function () {
      if (!state.done) report(state);
    }, 500);
  }

  if (mode === 'calls') runCalls();
  else if (mode === 'latency') runLatency();
  else if (mode === 'slow') runCount(5);
  else runCount(0);
  report({ mode: mode, loaded: true, done: false });
})();
