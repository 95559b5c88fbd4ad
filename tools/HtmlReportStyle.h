// The style sheet and script inlined into every HTML report.
#pragma once

namespace rc::tools {

inline constexpr const char* kReportStyle = R"(
body{font:14px/1.4 system-ui,sans-serif;margin:0;color:#1d1d1f;background:#f5f5f7}
header{background:#fff;padding:16px 24px;border-bottom:1px solid #ddd;position:sticky;top:0;z-index:2}
h1{font-size:20px;margin:0 0 8px}h2{font-size:16px;margin:0 0 4px}
main{padding:16px 24px}
.counts span{display:inline-block;padding:2px 10px;margin-right:6px;border-radius:10px;font-weight:600}
.OK,.ok{background:#e3f5e1;color:#1b5e20}.BASELINE-CREATED,.created{background:#e3edfb;color:#0d47a1}
.WARNING,.warned{background:#fff3cd;color:#7a5200}.FAILED,.failed{background:#fde2e1;color:#8e1b14}
.XFAIL{background:#eeeeee;color:#424242}.XPASS{background:#ede3f6;color:#4a148c}
nav{margin-top:8px;max-height:88px;overflow:auto;display:flex;flex-wrap:wrap;gap:4px}nav a{margin-right:8px;text-decoration:none;padding:0 4px;border-radius:4px}
section.document{background:#fff;border:1px solid #ddd;border-radius:8px;padding:12px 16px;margin-bottom:16px}
.badge{font-size:12px;padding:1px 8px;border-radius:8px;margin-left:8px;vertical-align:middle}
.path{color:#666;margin:0 0 8px;word-break:break-all}
table.checks{border-collapse:collapse;width:100%}
table.checks th,table.checks td{text-align:left;padding:4px 8px;border-bottom:1px solid #eee;vertical-align:top}
table.checks td.status{white-space:nowrap;font-weight:600}
.images{display:flex;flex-wrap:wrap;gap:12px;margin:12px 0}
.images figure{margin:0}.images img{max-width:320px;border:1px solid #ccc;image-rendering:pixelated;display:block}
.slider .stack{position:relative;display:inline-block}.slider .top{position:absolute;left:0;top:0;bottom:0;overflow:hidden;border-right:2px solid #d00}
.slider .top img{max-width:none}.slider input{display:block;width:100%}
.missing{color:#8e1b14}
pre{background:#fafafa;border:1px solid #eee;padding:8px;overflow:auto;max-height:320px;font-size:12px}
body.only-problems section.quiet{display:none}
)";

inline constexpr const char* kReportScript = R"(
// Every element is looked up before use: a block the report could not fill
// (an image it could not show) leaves the rest of the page working.
var only=document.getElementById('only-problems');
if(only)only.addEventListener('change',function(e){
  document.body.classList.toggle('only-problems',e.target.checked);});
document.querySelectorAll('.slider').forEach(function(s){
  var top=s.querySelector('.top'),range=s.querySelector('input'),under=s.querySelector('.stack>img');
  var over=top&&top.querySelector('img');
  if(!top||!range||!under||!over)return;
  function fit(){over.style.width=under.clientWidth+'px';top.style.width=range.value+'%';}
  range.addEventListener('input',fit);under.addEventListener('load',fit);fit();});
)";

}  // namespace rc::tools
