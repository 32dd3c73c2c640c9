#pragma once
// The page the test server hands the program: a plain background in the
// colour the screenshot looks for, and a script that reports to the server
// what the program gives it.

#include <string>

namespace orvane::testing {

inline std::string programTestPage() {
  return R"html(<!doctype html>
<html><head><meta charset="utf-8"><title>排行榜</title>
<style>html, body { margin: 0; height: 100%; background: #3366cc; }</style></head>
<body><script>
function report(kind, text) {
  var request = new XMLHttpRequest();
  request.open('POST', '/report', false);
  request.send(kind + '|' + text);
}
function call(envelope) { return serverJS(JSON.stringify(envelope)); }
function describe(value) { return typeof value + ':' + String(value); }
window.clientJS2 = function (message) { report('clientJS2', JSON.stringify(message)); };

report('loaded', location.href);
var runPath = call({c: 'sys', a: 'runpath'});
report('replies', [
  describe(call({c: 'sys', a: 'appname'})),
  describe(call({c: 'sys', a: 'getpid', data: {name: 'no-such-program-here'}})),
  describe(call({c: 'sys', a: 'exists', data: {path: runPath + 'config.ini'}})),
  describe(call({c: 'sys', a: 'exists', data: {path: '/no/such/path'}})),
  describe(call({c: 'window', a: 'no-such-action'})),
  describe(call({c: 'sys', a: 'writeini', data: {node: 'page', key: 'mark', value: '第一'}})),
  describe(call({c: 'sys', a: 'readini', data: {node: 'page', key: 'mark', value: 'none'}})),
].join(';'));
setTimeout(function () { console.error('page error on purpose'); }, 0);

setInterval(function () {
  var request = new XMLHttpRequest();
  request.open('GET', '/command', false);
  request.send();
  if (request.responseText === 'close') call({c: 'window', a: 'close'});
}, 200);
</script></body></html>
)html";
}

}  // namespace orvane::testing
