#include "tests/ui/FormBehaviour.h"

namespace trelvo::test {
namespace {

using namespace layout;

void ChooseInput(TFormDriver& form, const std::string& path) {
  form.dialogs.answers.push_back(path);
  form.Click(kSpeedButton1);
}

bool RunControlsEnabled(TFormDriver& form) {
  for (const TForm1Control control : kRunControls) {
    if (!form.Enabled(control)) return false;
  }
  return true;
}

void DerivesTheOutputNameAndKeepsItInStepWithTheFormat(TFormDriver& form, TFailures& expect) {
  form.Click(kRadioButton3);
  expect.Equal(form.Text(kEdit2), "");
  ChooseInput(form, "C:\\data\\caf\xc3\xa9.kml");
  expect.Equal(form.dialogs.opened.back().Filter,
               "Google Earth (*.kml)|*.kml|Google Earth archives (*.kmz)|*.kmz|All files (*.*)|*.*");
  expect.Equal(form.dialogs.opened.back().DefaultExt, "kml");
  expect.Equal(form.Text(kEdit1), "C:\\data\\caf\xc3\xa9.kml");
  expect.Equal(form.Text(kEdit2), "C:\\data\\caf\xc3\xa9.tab");
  form.Click(kRadioButton1);
  expect.Equal(form.Text(kEdit2), "C:\\data\\caf\xc3\xa9.csv");
  form.Click(kRadioButton2);
  expect.Equal(form.Text(kEdit2), "C:\\data\\caf\xc3\xa9.txt");
  // Only the last path element's extension is replaced, or one is appended.
  ChooseInput(form, "C:\\data.v2\\route");
  expect.Equal(form.Text(kEdit2), "C:\\data.v2\\route.txt");
  ChooseInput(form, "/tmp/route.2024.kml");
  expect.Equal(form.Text(kEdit2), "/tmp/route.2024.txt");
  // Cancel changes nothing.
  form.Click(kSpeedButton1);
  form.Click(kSpeedButton2);
  expect.Equal(form.Text(kEdit1), "/tmp/route.2024.kml");
  expect.Equal(form.Text(kEdit2), "/tmp/route.2024.txt");
  form.dialogs.answers.push_back("D:\\out\\route.txt");
  form.Click(kSpeedButton2);
  const TFileDialog& save = form.dialogs.saved.back();
  expect.Equal(save.Filter, "TextFile (*.txt)|*.txt");
  expect.Equal(save.DefaultExt, "txt");
  expect.Equal(save.FileName, "/tmp/route.2024.txt");
  expect.Equal(save.OverwritePrompt, true);
  expect.Equal(form.Text(kEdit2), "D:\\out\\route.txt");
}

void ADroppedKmlOrKmzFileBecomesTheInput(TFormDriver& form, TFailures& expect) {
  form.Drop("C:\\photos\\a.jpg");
  expect.Equal(form.Text(kEdit1), "");
  form.Drop("/data/\xce\xa9.KMZ");
  expect.Equal(form.Text(kEdit1), "/data/\xce\xa9.KMZ");
  expect.Equal(form.Text(kEdit2), "/data/\xce\xa9.csv");
}

void AcceptAsksForEachMissingName(TFormDriver& form, TFailures& expect) {
  form.Click(kButton1);
  form.SetText(kEdit1, "C:\\data\\route.kml");
  form.Click(kButton1);
  expect.Equal(form.dialogs.messages.size(), size_t{2});
  for (const auto& message : form.dialogs.messages) {
    expect.Equal(message.kind == TMessageKind::kError, true);
  }
  expect.Equal(form.dialogs.messages.front().text, "Select Input file");
  expect.Equal(form.dialogs.messages.back().text, "Select Output file");
  expect.Equal(RunControlsEnabled(form), true);
}

void AcceptConvertsWithTheChosenTypeAndFormat(TFormDriver& form, TFailures& expect) {
  TTempDir folder;
  const std::string input = folder.Path("route.kml");
  WriteFileBytes(input,
                 "<Point><coordinates>1,2,3</coordinates></Point>\r\n"
                 "<Point><coordinates>-4.5,5,6</coordinates></Point>\r\n");
  ChooseInput(form, input);
  form.Click(kRadioButton4);
  form.Click(kRadioButton3);
  // The completion box waits in front of a form still busy, with no progress window.
  form.dialogs.on_message = [&] {
    expect.Equal(RunControlsEnabled(form), false);
    expect.Equal(form.Text(kLabel4), "Transforming file...");
    expect.Equal(form.ProgressShown(), false);
  };
  form.Click(kButton1);
  expect.Equal(form.dialogs.messages.size(), size_t{1});
  expect.Equal(form.dialogs.messages.back().kind == TMessageKind::kInformation, true);
  expect.Equal(form.dialogs.messages.back().text, "Transformation has ended\r\r2 Entities");
  Convert(input, folder.Path("expected.tab"), TEntityType::kPoint, '\t');
  expect.Equal(ReadFileBytes(folder.Path("route.tab")), ReadFileBytes(folder.Path("expected.tab")));
  expect.Equal(RunControlsEnabled(form), true);
  expect.Equal(form.Text(kLabel4), std::string(WebAddress));
  // The choices stay as they were.
  expect.Equal(form.Checked(kRadioButton4) && form.Checked(kRadioButton3), true);
}

void AFailedRunNamesTheFileAndWritesNothing(TFormDriver& form, TFailures& expect) {
  TTempDir folder;
  ChooseInput(form, folder.Path("missing.kml"));
  form.dialogs.on_message = [&] { expect.Equal(RunControlsEnabled(form), true); };
  form.Click(kButton1);
  expect.Equal(form.dialogs.messages.size(), size_t{1});
  expect.Equal(form.dialogs.messages.back().kind == TMessageKind::kError, true);
  expect.Equal(form.dialogs.messages.back().text, "Cannot open input file \"" +
                                                      folder.Path("missing.kml") +
                                                      "\": No such file or directory");
  expect.Equal(form.Text(kLabel4), std::string(WebAddress));
  expect.Equal(form.ProgressShown(), false);
  expect.Equal(folder.Entries().size(), size_t{0});
}

void TheLinkOpensTheAddressAndCloseEndsTheWindow(TFormDriver& form, TFailures& expect) {
  form.Click(kLabel4);
  expect.Equal(form.dialogs.addresses.size(), size_t{1});
  expect.Equal(form.dialogs.addresses.back(), std::string(WebAddress));
  form.Click(kButton2);
  expect.Equal(form.Shown(), false);
}

}  // namespace

const std::vector<TFormBehaviour> kFormBehaviours = {
    {"DerivesTheOutputNameAndKeepsItInStepWithTheFormat",
     DerivesTheOutputNameAndKeepsItInStepWithTheFormat},
    {"ADroppedKmlOrKmzFileBecomesTheInput", ADroppedKmlOrKmzFileBecomesTheInput},
    {"AcceptAsksForEachMissingName", AcceptAsksForEachMissingName},
    {"AcceptConvertsWithTheChosenTypeAndFormat", AcceptConvertsWithTheChosenTypeAndFormat},
    {"AFailedRunNamesTheFileAndWritesNothing", AFailedRunNamesTheFileAndWritesNothing},
    {"TheLinkOpensTheAddressAndCloseEndsTheWindow", TheLinkOpensTheAddressAndCloseEndsTheWindow},
};

}  // namespace trelvo::test
