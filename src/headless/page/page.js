// The recorder's live page: the state every second, the last hour's chart, the record files.
"use strict";

const Texts = {
  "en": {
    title: "VRX recorder", device: "Device", pv: "PV", sv: "SV", status: "Status",
    age: "Last good sample", lastHour: "The last hour", files: "Record files",
    chartHint: "Drag to zoom, double-click to zoom out; the values under the cursor are shown above the chart.",
    deviceName: "Device {1} (address {2})", seconds: "{1} s ago", never: "none yet",
    ok: "answers", timeout: "does not answer", resting: "does not answer; asked again once a minute",
    waiting: "not asked yet", lineUp: "Line {1}: open", lineDown: "Line {1}: down",
    brokerOnline: "MQTT broker: connected", brokerAway: "MQTT broker: away ({1} queued)",
    brokerRefused: "MQTT broker: refuses the samples ({1} queued)", healthOk: "",
    unreachable: "The recorder does not answer", today: "today", csv: "CSV",
    codes: { 1: "Waiting...", 2: "Waiting...", 3: "No Connect", 4: "Input Error", 5: "Over Range",
             6: "Input Error", 7: "Memory bad" }
  },
  "zh-TW": {
    title: "VRX 溫度記錄程式", device: "裝置", pv: "測量值 PV", sv: "設定值 SV", status: "狀態",
    age: "最後一筆正常資料", lastHour: "最近一小時", files: "紀錄檔",
    chartHint: "拖曳可放大，按兩下可還原；游標所在的數值顯示在圖表上方。",
    deviceName: "裝置 {1}（位址 {2}）", seconds: "{1} 秒前", never: "尚無",
    ok: "通訊正常", timeout: "沒有回應", resting: "沒有回應；每分鐘再試一次",
    waiting: "尚未讀取", lineUp: "通訊線路 {1}：開啟", lineDown: "通訊線路 {1}：中斷",
    brokerOnline: "MQTT 伺服器：已連線", brokerAway: "MQTT 伺服器：未連線（{1} 筆待送）",
    brokerRefused: "MQTT 伺服器：拒收資料（{1} 筆待送）", healthOk: "",
    unreachable: "記錄程式沒有回應", today: "今天", csv: "CSV",
    codes: { 1: "等待中...", 2: "等待中...", 3: "未連線", 4: "輸入錯誤", 5: "超出範圍",
             6: "輸入錯誤", 7: "記憶體損壞" }
  }
};

function PickLanguage() {
  const given = document.documentElement.lang;
  if (Texts[given]) return given;
  return (navigator.language || "").toLowerCase().startsWith("zh") ? "zh-TW" : "en";
}
const T = Texts[PickLanguage()];
document.documentElement.lang = T === Texts["zh-TW"] ? "zh-TW" : "en";

function Say(text, ...values) {
  return values.reduce((s, v, i) => s.replace("{" + (i + 1) + "}", v), text);
}

function Cell(row, text, className) {
  const cell = row.insertCell();
  cell.textContent = text;
  if (className) cell.className = className;
  return cell;
}

// The Monitor's run lamp: lime while a controller answers, red when it does not, grey before
// it was asked; a controller that shows a status instead of a temperature answers, in yellow.
function Lamp(device) {
  if (device.state === "ok") return device.code ? "yellow" : "lime";
  if (device.state === "waiting") return "grey";
  return "red";
}

function StatusWords(device) {
  const words = T[device.state] || device.state;
  return device.state === "ok" && device.code ? words + ", " + (T.codes[device.code] || device.code)
                                             : words;
}

function Degrees(value) {
  return value === null || value === undefined ? "---" : value.toFixed(1);
}

let chart = null;
let chartRows = [];
let chartPositions = [];

function ShowState(state) {
  document.getElementById("title").textContent = T.title + " " + state.com;
  const line = document.getElementById("line");
  line.textContent = Say(state.line === "up" ? T.lineUp : T.lineDown, state.com);
  line.className = state.line === "up" ? "" : "bad";
  const broker = document.getElementById("broker");
  if (state.mqtt) {
    broker.textContent = Say(state.mqtt.state === "online" ? T.brokerOnline
                             : state.mqtt.state === "refused" ? T.brokerRefused : T.brokerAway,
                             state.mqtt.queued);
    broker.className = state.mqtt.state === "online" ? "" : "bad";
  } else {
    broker.textContent = "";
  }
  const health = document.getElementById("health");
  health.textContent = state.health;
  health.className = "bad";
  const body = document.querySelector("#devices tbody");
  body.replaceChildren();
  for (const device of state.devices) {
    const row = body.insertRow();
    row.id = "device" + device.position;
    Cell(row, Say(T.deviceName, device.position + 1, device.address));
    Cell(row, device.code ? (T.codes[device.code] || "---") : Degrees(device.pv), "number pv");
    Cell(row, Degrees(device.sv), "number sv");
    const status = Cell(row, StatusWords(device), "status");
    const lamp = document.createElement("span");
    lamp.className = "lamp " + Lamp(device);
    status.prepend(lamp);
    Cell(row, device.age === null ? T.never : Say(T.seconds, device.age), "number age");
  }
  AddToChart(state);
}

function AddToChart(state) {
  if (!chart || !state.devices.length) return;
  const row = [new Date(state.time)];
  for (const position of chartPositions) {
    const device = state.devices.find(d => d.position === position);
    row.push(device && device.state === "ok" && !device.code ? device.pv : null);
  }
  const last = chartRows[chartRows.length - 1];
  if (last && last[0].getTime() >= row[0].getTime()) return;
  chartRows.push(row);
  const since = row[0].getTime() - 3600 * 1000;
  while (chartRows.length && chartRows[0][0].getTime() < since) chartRows.shift();
  chart.updateOptions({ file: chartRows });
}

function MakeChart(history) {
  chartPositions = history.positions;
  chartRows = history.rows.map(r => [new Date(r[0])].concat(r.slice(1)));
  if (typeof Dygraph === "undefined" || !chartPositions.length) return;
  const labels = ["time"].concat(history.positions.map(
      (p, i) => Say(T.deviceName, p + 1, history.addresses[i])));
  // The Recorder window's device colours, in position order.
  const colours = ["#808000", "#000080", "#800080", "#008080", "#808080", "#0000ff", "#800000",
                   "#008000"];
  chart = new Dygraph(document.getElementById("chart"),
                      chartRows.length ? chartRows : [[new Date()].concat(chartPositions.map(() => null))],
                      { labels: labels, colors: history.positions.map(p => colours[p]),
                        connectSeparatedPoints: false, legend: "always", ylabel: "°C",
                        labelsDiv: document.getElementById("legend"),
                        labelsSeparateLines: false });
}

function ShowFiles(list) {
  const files = document.getElementById("files");
  files.replaceChildren();
  const today = new Date().toISOString().slice(0, 10);
  for (const file of list.files) {
    const item = document.createElement("li");
    const link = document.createElement("a");
    link.href = "/files/" + encodeURIComponent(file.name);
    link.textContent = file.name;
    const csv = document.createElement("a");
    csv.href = "/files/" + encodeURIComponent(file.name) + ".csv";
    csv.textContent = T.csv;
    item.append(link, " (" + Math.ceil(file.bytes / 1024) + " KB) ", csv);
    if (file.name.startsWith(today)) item.append(" – " + T.today);
    files.append(item);
  }
}

async function Fetch(path) {
  const answer = await fetch(path, { cache: "no-store" });
  if (!answer.ok) throw new Error(path + ": " + answer.status);
  return answer.json();
}

async function Refresh() {
  try {
    ShowState(await Fetch("/api/state"));
  } catch (e) {
    const health = document.getElementById("health");
    health.textContent = T.unreachable;
    health.className = "bad";
  }
}

async function Start() {
  for (const element of document.querySelectorAll("[data-text]"))
    element.textContent = T[element.dataset.text];
  document.title = T.title;
  try { MakeChart(await Fetch("/api/history")); } catch (e) { }
  await Refresh();
  try { ShowFiles(await Fetch("/api/files")); } catch (e) { }
  setInterval(Refresh, 1000);
  setInterval(async () => { try { ShowFiles(await Fetch("/api/files")); } catch (e) { } }, 60000);
}

Start();
